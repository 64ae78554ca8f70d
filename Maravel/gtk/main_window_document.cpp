// The document area of MainWindow: the page view, the web view and the
// message view in one stack, the page bar of the header band, find, zoom,
// copying and the hand-over of pages from the layout thread.
#include <cstdlib>
#include <string_view>
#include <utility>

#include "Maravel/gtk/main_window.hpp"
#include "Maravel/main_menu.hpp"

namespace maravel {
namespace {

constexpr const char* kPagesView = "pages";
constexpr const char* kWebView = "web";

GtkWidget* messageLabel(const char* cssClass) {
  GtkWidget* label = gtk_label_new("");
  gtk_widget_add_css_class(label, cssClass);
  gtk_label_set_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  return label;
}

struct TextsToPrepare {
  std::weak_ptr<MainWindow*> window;
  std::weak_ptr<PagedDocument> pages;
  std::size_t next = 0;
};

bool environmentSays(const char* name) {
  const char* value = g_getenv(name);
  return value != nullptr && std::string_view(value) == "1";
}

}  // namespace

gint64 MainWindow::startTime() {
  static const gint64 start = g_get_monotonic_time();
  return start;
}

void MainWindow::logState(const std::string& line) const {
  static const bool wanted = environmentSays("MARAVEL_LOG_STATE");
  if (wanted) g_printerr("maravel-state: %s\n", line.c_str());
}

void MainWindow::addViewActions() {
  GSimpleAction* view =
      g_simple_action_new_stateful(MainMenu::kView, G_VARIANT_TYPE_STRING, g_variant_new_string(kPagesView));
  g_signal_connect(view, "activate", G_CALLBACK(runViewAction), this);
  g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(view));
  g_object_unref(view);
  for (const char* name :
       {MainMenu::kFind, MainMenu::kFindNext, MainMenu::kFindPrevious, MainMenu::kZoomIn, MainMenu::kZoomOut,
        MainMenu::kZoomReset, MainMenu::kFitWidth, MainMenu::kFitPage, MainMenu::kGoToPage, MainMenu::kReload,
        MainMenu::kClose, MainMenu::kFullscreen, MainMenu::kShortcuts, MainMenu::kAbout}) {
    GSimpleAction* action = g_simple_action_new(name, nullptr);
    g_signal_connect(action, "activate", G_CALLBACK(runViewAction), this);
    g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(action));
    g_object_unref(action);
  }
}

void MainWindow::runViewAction(GSimpleAction* action, GVariant* parameter, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  if (!window->pageView_) return;
  PageView& pages = *window->pageView_;
  const std::string_view name = g_action_get_name(G_ACTION(action));
  if (name == MainMenu::kView) {
    window->setView(std::string_view(g_variant_get_string(parameter, nullptr)) != kWebView);
  } else if (name == MainMenu::kFind) {
    window->findBar_->open();
  } else if (name == MainMenu::kFindNext || name == MainMenu::kFindPrevious) {
    if (!window->findBar_->isOpen()) window->findBar_->open();
    window->stepFind(name == MainMenu::kFindNext);
  } else if (name == MainMenu::kZoomIn) {
    pages.zoomIn();
  } else if (name == MainMenu::kZoomOut) {
    pages.zoomOut();
  } else if (name == MainMenu::kZoomReset) {
    pages.setZoomPercent(100);
  } else if (name == MainMenu::kFitWidth) {
    pages.setFit(PageView::Fit::width);
  } else if (name == MainMenu::kFitPage) {
    pages.setFit(PageView::Fit::page);
  } else if (name == MainMenu::kReload) {
    if (window->actions_.reload) window->actions_.reload();
  } else if (name == MainMenu::kClose) {
    gtk_window_close(window->window_);
  } else if (name == MainMenu::kFullscreen) {
    if (gtk_window_is_fullscreen(window->window_)) {
      gtk_window_unfullscreen(window->window_);
    } else {
      gtk_window_fullscreen(window->window_);
    }
  } else if (name == MainMenu::kShortcuts) {
    window->showShortcuts();
  } else if (name == MainMenu::kAbout) {
    window->showAbout();
  } else if (name == MainMenu::kGoToPage && window->pageEntry_ != nullptr) {
    gtk_widget_grab_focus(window->pageEntry_);
    gtk_editable_select_region(GTK_EDITABLE(window->pageEntry_), 0, -1);
  }
}

// The view switch, the page entry with the page count, and the zoom.
GtkWidget* MainWindow::makePageBar() {
  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_widget_set_valign(bar, GTK_ALIGN_CENTER);
  GtkWidget* pageBox = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
  pageEntry_ = gtk_entry_new();
  gtk_editable_set_width_chars(GTK_EDITABLE(pageEntry_), 4);
  gtk_editable_set_max_width_chars(GTK_EDITABLE(pageEntry_), 5);
  gtk_widget_set_hexpand(pageEntry_, FALSE);
  gtk_editable_set_alignment(GTK_EDITABLE(pageEntry_), 1);
  gtk_entry_set_input_purpose(GTK_ENTRY(pageEntry_), GTK_INPUT_PURPOSE_DIGITS);
  gtk_accessible_update_property(GTK_ACCESSIBLE(pageEntry_), GTK_ACCESSIBLE_PROPERTY_LABEL, "Sayfaya git",
                                 -1);
  g_signal_connect(pageEntry_, "activate", G_CALLBACK(pageEntered), this);
  pageCount_ = gtk_label_new("");
  zoomLabel_ = gtk_label_new("");
  gtk_widget_add_css_class(zoomLabel_, "hint-label");
  gtk_box_append(GTK_BOX(pageBox), pageEntry_);
  gtk_box_append(GTK_BOX(pageBox), pageCount_);
  gtk_box_append(GTK_BOX(pageBox), zoomLabel_);
  gtk_box_append(GTK_BOX(bar), pageBox);

  GtkWidget* views = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_add_css_class(views, "linked");
  for (const auto& [label, target] :
       {std::pair{"Sayfalar", "win.view::pages"}, {"Önizleme", "win.view::web"}}) {
    GtkWidget* button = gtk_toggle_button_new_with_label(label);
    gtk_actionable_set_detailed_action_name(GTK_ACTIONABLE(button), target);
    gtk_widget_set_focus_on_click(button, FALSE);
    gtk_box_append(GTK_BOX(views), button);
  }
  gtk_box_append(GTK_BOX(bar), views);
  return bar;
}

GtkWidget* MainWindow::makeMessageView() {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  gtk_widget_set_valign(box, GTK_ALIGN_CENTER);
  gtk_widget_set_halign(box, GTK_ALIGN_CENTER);
  messageSpinner_ = gtk_spinner_new();
  gtk_widget_set_size_request(messageSpinner_, 32, 32);
  messageHeading_ = messageLabel("message-heading");
  messageText_ = messageLabel("hint-label");
  // Heard by a screen reader as soon as it changes.
  gtk_accessible_update_property(GTK_ACCESSIBLE(messageText_), GTK_ACCESSIBLE_PROPERTY_LABEL, "", -1);
  messageOpen_ = gtk_button_new_with_label("Aç…");
  gtk_widget_set_halign(messageOpen_, GTK_ALIGN_CENTER);
  gtk_actionable_set_action_name(GTK_ACTIONABLE(messageOpen_), "win.open");
  gtk_widget_add_css_class(messageOpen_, "suggested-action");
  gtk_box_append(GTK_BOX(box), messageSpinner_);
  gtk_box_append(GTK_BOX(box), messageHeading_);
  gtk_box_append(GTK_BOX(box), messageText_);
  gtk_box_append(GTK_BOX(box), messageOpen_);
  return box;
}

void MainWindow::showMessage(const std::string& heading, const std::string& explanation, bool busy,
                             bool offerOpen) {
  gtk_label_set_text(GTK_LABEL(messageHeading_), heading.c_str());
  gtk_label_set_text(GTK_LABEL(messageText_), explanation.c_str());
  gtk_accessible_update_property(GTK_ACCESSIBLE(messageText_), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 (heading + ". " + explanation).c_str(), -1);
  gtk_widget_set_visible(messageSpinner_, busy);
  gtk_spinner_set_spinning(GTK_SPINNER(messageSpinner_), busy);
  gtk_widget_set_visible(messageOpen_, offerOpen);
}

// A new document: whatever the views held goes.
void MainWindow::forgetDocument() {
  if (feed_) feed_->cancel();
  feed_.reset();
  pages_.reset();
  document_.reset();
  pageView_->show(nullptr, 0, {}, StatusColour::secondary);
  webLoaded_ = false;
}

void MainWindow::showPage(const std::string& html) {
  if (stack_ == nullptr) return;
  forgetDocument();
  welcomePage_ = html;
  showing_ = Showing::welcome;
  showMessage(WindowTexts::welcomeHeading(), WindowTexts::welcomeText(), false, true);
  showCurrentView();
}

void MainWindow::showLoading(const std::string& fileName) {
  if (stack_ == nullptr) return;
  forgetDocument();
  findBar_->close();
  showing_ = Showing::loading;
  showMessage("“" + fileName + "” açılıyor…", "", true, false);
  showCurrentView();
}

void MainWindow::showFailure(const std::string& heading, const std::string& explanation) {
  if (stack_ == nullptr) return;
  showing_ = Showing::failure;
  showMessage(heading, explanation, false, true);
  showCurrentView();
  logState("failure " + heading + ": " + explanation);
}

void MainWindow::showDocument(DocumentOnScreen document) {
  if (stack_ == nullptr) return;
  showing_ = Showing::document;
  pages_ = std::make_shared<PagedDocument>(document.document);
  pageView_->show(pages_, document.fileBytes, document.badge.text, document.badge.colour);
  feed_ = PageFeed::start(document.document, document.fileBytes, [token = std::weak_ptr(alive_)] {
    g_idle_add(drainPages, new std::weak_ptr<MainWindow*>(token));
  });
  document_ = std::move(document);
  webLoaded_ = false;
  allSelected_ = false;
  showCurrentView();
}

// The pages' texts, made ready for find while nothing else waits, a few
// milliseconds at a time: the first find over a long document then only
// searches. Stops when the window or its document goes.
gboolean MainWindow::prepareTexts(gpointer data) {
  auto* prepared = static_cast<TextsToPrepare*>(data);
  const auto alive = prepared->window.lock();
  const auto pages = prepared->pages.lock();
  if (!alive || !pages || (*alive)->pages_ != pages) return G_SOURCE_REMOVE;
  const gint64 until = g_get_monotonic_time() + 8000;
  while (prepared->next < pages->pageCount() && g_get_monotonic_time() < until)
    pages->prepareFind(prepared->next++);
  return prepared->next < pages->pageCount() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

gboolean MainWindow::drainPages(gpointer token) {
  auto* weak = static_cast<std::weak_ptr<MainWindow*>*>(token);
  if (const auto alive = weak->lock()) (*alive)->takePages();
  delete weak;
  return G_SOURCE_REMOVE;
}

void MainWindow::takePages() {
  if (!feed_ || !pages_) return;
  const bool done = feed_->take(*pages_);
  pageView_->pagesAdded();
  if (!done) return;
  feed_.reset();
  logState("pages " + std::to_string(pages_->pageCount()) +
           (pages_->truncated() ? " truncated" : " complete"));
  g_idle_add_full(G_PRIORITY_LOW, prepareTexts, new TextsToPrepare{std::weak_ptr(alive_), pages_, 0},
                  [](gpointer data) { delete static_cast<TextsToPrepare*>(data); });
  if (findBar_->isOpen() && !findBar_->text().empty()) find(findBar_->text());
  // The tests' way to type into the find bar: MARAVEL_TEST_FIND=WORD finds
  // the word in each document once it is laid out.
  if (const char* word = g_getenv("MARAVEL_TEST_FIND"); word != nullptr && *word != '\0')
    findBar_->findText(word);
}

void MainWindow::setView(bool pages) {
  pagesShown_ = pages;
  GAction* view = g_action_map_lookup_action(G_ACTION_MAP(window_), MainMenu::kView);
  g_simple_action_set_state(G_SIMPLE_ACTION(view), g_variant_new_string(pages ? kPagesView : kWebView));
  showCurrentView();
  if (findBar_->isOpen()) find(findBar_->text());
  logState(std::string("view ") + (pages ? kPagesView : kWebView));
}

void MainWindow::showCurrentView() {
  const bool content = showing_ == Showing::document || (showing_ == Showing::welcome && !pagesShown_);
  if (!content) {
    gtk_stack_set_visible_child_name(GTK_STACK(stack_), "message");
  } else if (pagesShown_) {
    gtk_stack_set_visible_child_name(GTK_STACK(stack_), kPagesView);
    gtk_widget_grab_focus(pageView_->canvas());
  } else {
    ensureWebView();
    if (!webLoaded_) {
      const std::string page = document_ ? document_->page() : welcomePage_;
      webkit_web_view_load_html(webView_, page.c_str(), nullptr);
      webLoaded_ = true;
    }
    gtk_stack_set_visible_child_name(GTK_STACK(stack_), kWebView);
    gtk_widget_grab_focus(GTK_WIDGET(webView_));
  }
  updatePageBar();
}

void MainWindow::updatePageBar() {
  if (pageEntry_ == nullptr) return;
  const bool shown = pagesShown_ && showing_ == Showing::document && pageView_->pageCount() > 0;
  gtk_widget_set_visible(gtk_widget_get_parent(pageEntry_), shown);
  if (!shown) return;
  const std::size_t page = pageView_->currentPage() + 1;
  if (!gtk_widget_has_focus(pageEntry_) && !gtk_widget_is_focus(pageEntry_)) {
    gtk_editable_set_text(GTK_EDITABLE(pageEntry_), std::to_string(page).c_str());
  }
  const bool complete = pages_ && pages_->complete();
  const std::string count = "/ " + std::to_string(pageView_->pageCount()) + (complete ? "" : "+");
  gtk_label_set_text(GTK_LABEL(pageCount_), count.c_str());
  const std::string whole = WindowTexts::pageOf(page, pageView_->pageCount(), complete);
  gtk_accessible_update_property(GTK_ACCESSIBLE(pageEntry_), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                 whole.c_str(), -1);
  gtk_label_set_text(GTK_LABEL(zoomLabel_), ("%" + std::to_string(pageView_->zoomPercent())).c_str());
}

void MainWindow::pageEntered(GtkEntry* entry, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  const int page = std::atoi(gtk_editable_get_text(GTK_EDITABLE(entry)));
  if (page >= 1) window->pageView_->goToPage(static_cast<std::size_t>(page - 1));
  gtk_widget_grab_focus(window->pageView_->canvas());
  window->updatePageBar();
}

// The text field that holds the keyboard focus (the find or page entry),
// which keeps Ctrl+A and Ctrl+C for its own text.
GtkWidget* MainWindow::focusedField() const {
  GtkWidget* focus = window_ != nullptr ? gtk_window_get_focus(window_) : nullptr;
  return focus != nullptr && GTK_IS_EDITABLE(focus) ? focus : nullptr;
}

void MainWindow::selectAll() {
  if (GtkWidget* field = focusedField()) {
    gtk_editable_select_region(GTK_EDITABLE(field), 0, -1);
    return;
  }
  if (!document_) return;
  allSelected_ = true;
  if (pagesShown_) {
    pageView_->selectAll();
  } else if (webView_ != nullptr) {
    webkit_web_view_execute_editing_command(webView_, WEBKIT_EDITING_COMMAND_SELECT_ALL);
  }
}

// Everything selected copies the document's own text: not the badge, not
// the sheet's footer, not the page numbers paper adds.
void MainWindow::copy() {
  if (window_ == nullptr) return;
  if (GtkWidget* field = focusedField()) {
    gtk_widget_activate_action(field, "clipboard.copy", nullptr);
    return;
  }
  GdkClipboard* clipboard = gtk_widget_get_clipboard(GTK_WIDGET(window_));
  if (document_ && allSelected_ && (!pagesShown_ || pageView_->allSelected())) {
    gdk_clipboard_set_text(clipboard, document_->text().c_str());
  } else if (pagesShown_) {
    const std::string text = pageView_->selectedText();
    if (!text.empty()) gdk_clipboard_set_text(clipboard, text.c_str());
  } else if (webView_ != nullptr) {
    webkit_web_view_execute_editing_command(webView_, WEBKIT_EDITING_COMMAND_COPY);
  }
}

void MainWindow::find(const std::string& text) {
  if (!pagesShown_) {
    if (webView_ == nullptr) return;
    WebKitFindController* finder = webkit_web_view_get_find_controller(webView_);
    if (text.empty()) {
      webkit_find_controller_search_finish(finder);
      findBar_->showCount("");
      return;
    }
    const guint options = WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;
    g_signal_handlers_disconnect_by_data(finder, this);
    g_signal_connect(
        finder, "counted-matches", G_CALLBACK(+[](WebKitFindController*, guint count, gpointer self) {
          static_cast<MainWindow*>(self)->findBar_->showCount(WindowTexts::matchCount(count > 0, count));
        }),
        this);
    g_signal_connect(finder, "failed-to-find-text", G_CALLBACK(+[](WebKitFindController*, gpointer self) {
                       static_cast<MainWindow*>(self)->findBar_->showCount(WindowTexts::matchCount(0, 0));
                     }),
                     this);
    webkit_find_controller_search(finder, text.c_str(), options, G_MAXUINT);
    webkit_find_controller_count_matches(finder, text.c_str(), options, G_MAXUINT);
    return;
  }
  if (!pages_) return;
  const gint64 started = g_get_monotonic_time();
  matches_ = pages_->find(text);
  if (environmentSays("MARAVEL_LOG_TIMING")) {
    g_printerr("maravel-timing: found %zu matches over %zu pages in %.1f ms\n", matches_.size(),
               pages_->pageCount(), static_cast<double>(g_get_monotonic_time() - started) / 1000.0);
  }
  // The first match from the page in sight on.
  const std::size_t here = pageView_->currentPage();
  currentMatch_ = 0;
  while (currentMatch_ < matches_.size() && matches_[currentMatch_].page < here) ++currentMatch_;
  if (currentMatch_ == matches_.size()) currentMatch_ = 0;
  showMatch();
}

void MainWindow::stepFind(bool forward) {
  if (!pagesShown_) {
    if (webView_ == nullptr) return;
    WebKitFindController* finder = webkit_web_view_get_find_controller(webView_);
    if (forward) {
      webkit_find_controller_search_next(finder);
    } else {
      webkit_find_controller_search_previous(finder);
    }
    return;
  }
  const std::size_t count = matches_.size();
  if (count > 0) currentMatch_ = forward ? (currentMatch_ + 1) % count : (currentMatch_ + count - 1) % count;
  showMatch();
}

void MainWindow::showMatch() {
  if (findBar_->text().empty() || matches_.empty()) {
    pageView_->setMatches({}, std::nullopt);
    findBar_->showCount(findBar_->text().empty() ? "" : WindowTexts::matchCount(0, 0));
    logState("find " + findBar_->text() + ": 0 matches");
    return;
  }
  const std::size_t count = matches_.size();
  pageView_->setMatches(matches_, currentMatch_);
  findBar_->showCount(WindowTexts::matchCount(currentMatch_ + 1, count));
  logState("find " + findBar_->text() + ": " + std::to_string(count) + " matches, current on page " +
           std::to_string(matches_[currentMatch_].page + 1));
}

void MainWindow::findClosed() {
  matches_.clear();
  if (pageView_) pageView_->setMatches({}, std::nullopt);
  if (webView_ != nullptr)
    webkit_find_controller_search_finish(webkit_web_view_get_find_controller(webView_));
  if (pageView_ && pagesShown_) gtk_widget_grab_focus(pageView_->canvas());
}

}  // namespace maravel
