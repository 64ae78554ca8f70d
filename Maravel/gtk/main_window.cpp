#include "Maravel/gtk/main_window.hpp"

#include <string_view>
#include <utility>

#include "Maravel/gtk/document_view.hpp"
#include "Maravel/gtk/print_operation.hpp"
#include "Maravel/main_menu.hpp"

namespace maravel {
namespace {

constexpr int kWidth = 880;
constexpr int kHeight = 720;
constexpr int kSide = 24;

// The status colours are the window's own: the theme's success, warning and
// dimmed colours are too light on its light background (1.8:1 for green,
// 2.5:1 for orange, 3.2:1 for dimmed text) and its red too dark on the dark
// one (2.1:1). Each pair below holds at least 5.3:1 on the theme's window
// background (#f6f5f4 light, #353535 dark) and on plain white or #242424.
// The drop highlight is the GNOME palette's blue.
constexpr const char* kStyle = R"(
.title-label { font-size: 18px; font-weight: bold; }
.status-label { font-size: 12px; font-weight: 500; }
.status-label.secondary, .hint-label { color: #5e5c64; }
.status-label.success { color: #177034; }
.status-label.error { color: #c01c28; }
.status-label.warning { color: #8f5300; }
.dark-theme .status-label.secondary, .dark-theme .hint-label { color: #c0bfbc; }
.dark-theme .status-label.success { color: #57e389; }
.dark-theme .status-label.error { color: #ff8a7a; }
.dark-theme .status-label.warning { color: #ffa348; }
.drop-zone { border: 2px solid @borders; border-radius: 12px; background-color: transparent; }
.drop-zone.drop-highlight { border-color: #3584e4; background-color: alpha(#3584e4, 0.08); }
.hint-label { font-size: 13px; }
.document-frame { border-radius: 8px; }
)";

// Names `widget` for screen readers by `text` without its pictographs.
void speak(GtkWidget* widget, std::string_view text) {
  gtk_accessible_update_property(GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 WindowTexts::spoken(text).c_str(), -1);
}

// A one-line label that takes the width it is given and ends in "…" when
// that is too little, so that it never holds the window wide. A status
// line is a live region: a screen reader says what it changes to.
GtkWidget* lineLabel(const char* text, const char* cssClass,
                     GtkAccessibleRole role = GTK_ACCESSIBLE_ROLE_LABEL) {
  GtkWidget* label = GTK_WIDGET(g_object_new(GTK_TYPE_LABEL, "label", text, "accessible-role", role, nullptr));
  gtk_widget_add_css_class(label, cssClass);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 1);  // the width given decides, not the text
  gtk_widget_set_hexpand(label, TRUE);
  speak(label, text);
  return label;
}

// The look of a file dialog.
struct FileDialog {
  GtkFileChooserAction action;
  const char* title;
  const char* accept;
  const char* filterName;
  const char* suffix;  // listed files end in ".<suffix>" in any letter case
};

constexpr FileDialog kOpenDialog = {GTK_FILE_CHOOSER_ACTION_OPEN, "UDF Belgesi Aç", "Aç",
                                    "UYAP belgeleri (.udf)", "udf"};
constexpr FileDialog kSavePDFDialog = {GTK_FILE_CHOOSER_ACTION_SAVE, "PDF Olarak Kaydet", "Kaydet",
                                       "PDF belgeleri", "pdf"};
constexpr FileDialog kSaveDocxDialog = {GTK_FILE_CHOOSER_ACTION_SAVE, "Word Belgesi Olarak Kaydet", "Kaydet",
                                        "Word belgeleri", "docx"};

// Shows a modal file dialog on `parent`, starting in `folder` with `name`
// proposed (each when not empty); `chosen` runs with the local path picked.
void runFileDialog(GtkWindow* parent, const FileDialog& look, const std::string& folder,
                   const std::string& name, std::function<void(const std::string& path)> chosen) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkFileChooserNative* dialog =
      gtk_file_chooser_native_new(look.title, parent, look.action, look.accept, "Vazgeç");
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, look.filterName);
  gtk_file_filter_add_suffix(filter, look.suffix);
  gtk_file_chooser_add_filter(chooser, filter);
  g_object_unref(filter);
  if (!folder.empty()) {
    GFile* start = g_file_new_for_path(folder.c_str());
    gtk_file_chooser_set_current_folder(chooser, start, nullptr);
    g_object_unref(start);
  }
  if (!name.empty()) gtk_file_chooser_set_current_name(chooser, name.c_str());
  G_GNUC_END_IGNORE_DEPRECATIONS
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog), TRUE);
  using Chosen = std::function<void(const std::string&)>;
  g_signal_connect_data(
      dialog, "response", G_CALLBACK(+[](GtkNativeDialog* self, int response, gpointer data) {
        if (response == GTK_RESPONSE_ACCEPT) {
          G_GNUC_BEGIN_IGNORE_DEPRECATIONS
          GFile* file = gtk_file_chooser_get_file(GTK_FILE_CHOOSER(self));
          G_GNUC_END_IGNORE_DEPRECATIONS
          char* path = file != nullptr ? g_file_get_path(file) : nullptr;
          if (path != nullptr) (*static_cast<Chosen*>(data))(path);
          g_free(path);
          if (file != nullptr) g_object_unref(file);
        }
        g_object_unref(self);  // the reference the dialog was made with
      }),
      new Chosen(std::move(chosen)), +[](gpointer data, GClosure*) { delete static_cast<Chosen*>(data); },
      GConnectFlags(0));
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(dialog));
}

struct BackgroundJob {
  std::function<bool()> work;
  std::function<void(bool)> done;
};

void runJob(GTask* task, gpointer, gpointer data, GCancellable*) {
  bool result = false;
  try {
    result = static_cast<BackgroundJob*>(data)->work();
  } catch (...) {
    result = false;  // out of memory: reported as not enabled
  }
  g_task_return_boolean(task, result);
}

void jobFinished(GObject*, GAsyncResult* result, gpointer data) {
  const bool value = g_task_propagate_boolean(G_TASK(result), nullptr);
  static_cast<BackgroundJob*>(data)->done(value);
}

}  // namespace

MainWindow::MainWindow(GtkApplication* application, GMenuModel* menu)
    : application_(application), window_(GTK_WINDOW(gtk_application_window_new(application))) {
  GtkWidget* root = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  GtkWidget* menuBar = gtk_popover_menu_bar_new_from_model(menu);
  content_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_vexpand(content_, TRUE);
  gtk_box_append(GTK_BOX(root), menuBar);
  gtk_box_append(GTK_BOX(root), content_);
  gtk_window_set_child(window_, root);
  // 880 x 720 for the content, the menu bar above it.
  int menuHeight = 0;
  gtk_widget_measure(menuBar, GTK_ORIENTATION_VERTICAL, kWidth, nullptr, &menuHeight, nullptr, nullptr);
  gtk_window_set_default_size(window_, kWidth, kHeight + menuHeight);
  defaultWidth_ = kWidth;
  defaultHeight_ = kHeight + menuHeight;
  addEditActions();
  addWindowActions();
  addViewActions();
  g_signal_connect(window_, "destroy", G_CALLBACK(windowDestroyed), this);
  g_signal_connect(window_, "close-request", G_CALLBACK(closeRequested), this);
  GtkSettings* settings = gtk_settings_get_default();
  g_signal_connect(settings, "notify::gtk-theme-name", G_CALLBACK(themeChanged), this);
  g_signal_connect(settings, "notify::gtk-application-prefer-dark-theme", G_CALLBACK(themeChanged), this);
  // Page Up and Page Down keep scrolling the pages wherever the focus was
  // left (a menu closed with Escape leaves it on the menu bar), as long as
  // nothing focused takes them itself.
  GtkEventController* keys = gtk_event_controller_key_new();
  g_signal_connect(keys, "key-pressed", G_CALLBACK(pageKeyPressed), this);
  gtk_widget_add_controller(GTK_WIDGET(window_), keys);
  followTheme();
}

gboolean MainWindow::pageKeyPressed(GtkEventControllerKey*, guint key, guint, GdkModifierType state,
                                    gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  const bool pageKey = key == GDK_KEY_Page_Down || key == GDK_KEY_Page_Up || key == GDK_KEY_KP_Page_Down ||
                       key == GDK_KEY_KP_Page_Up;
  if (!pageKey || !window->pageView_ || !window->pagesShown_ || window->showing_ != Showing::document)
    return FALSE;
  gtk_widget_grab_focus(window->pageView_->canvas());
  return window->pageView_->pageKey(key, state);
}

MainWindow::~MainWindow() {
  watchFile({}, nullptr);
  g_signal_handlers_disconnect_by_data(gtk_settings_get_default(), this);
  if (window_ == nullptr) return;
  g_signal_handlers_disconnect_by_data(window_, this);
  gtk_window_destroy(window_);
}

void MainWindow::themeChanged(GObject*, GParamSpec*, gpointer self) {
  static_cast<MainWindow*>(self)->followTheme();
}

void MainWindow::followTheme() {
  if (window_ == nullptr) return;
  GdkRGBA text;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_style_context_get_color(gtk_widget_get_style_context(GTK_WIDGET(window_)), &text);
  G_GNUC_END_IGNORE_DEPRECATIONS
  // Light text is drawn on a dark background.
  const double brightness = 0.2126 * text.red + 0.7152 * text.green + 0.0722 * text.blue;
  if (brightness > 0.5) {
    gtk_widget_add_css_class(GTK_WIDGET(window_), "dark-theme");
  } else {
    gtk_widget_remove_css_class(GTK_WIDGET(window_), "dark-theme");
  }
}

void MainWindow::installStyle() {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kStyle, -1);
  gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(provider),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

void MainWindow::present() {
  if (window_ == nullptr) return;
  gtk_window_present(window_);
  // Mapped, the window would give the focus to its first button.
  if (pageView_) gtk_widget_grab_focus(pageView_->canvas());
}

void MainWindow::windowDestroyed(GtkWidget*, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  window->window_ = nullptr;
  window->content_ = nullptr;
  window->documentStatus_ = nullptr;
  window->extensionsStatus_ = nullptr;
  window->webView_ = nullptr;
  window->webFrame_ = nullptr;
  window->stack_ = nullptr;
  window->pageEntry_ = nullptr;
  window->pageCount_ = nullptr;
  window->zoomLabel_ = nullptr;
  if (window->feed_) window->feed_->cancel();
}

void MainWindow::addEditActions() {
  for (const char* name : {MainMenu::kCopy, MainMenu::kSelectAll}) {
    GSimpleAction* action = g_simple_action_new(name, nullptr);
    g_signal_connect(action, "activate", G_CALLBACK(runEditingCommand), this);
    g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(action));
    g_object_unref(action);
  }
}

void MainWindow::runEditingCommand(GSimpleAction* action, GVariant*, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  if (std::string_view(g_action_get_name(G_ACTION(action))) == MainMenu::kCopy) {
    window->copy();
  } else {
    window->selectAll();
  }
}

void MainWindow::addWindowActions() {
  for (const std::string_view name :
       {MainMenu::kOpen, MainMenu::kPrint, MainMenu::kSavePDF, MainMenu::kSaveDocx,
        MainMenu::kCheckSignaturesOnline}) {
    GSimpleAction* action = g_simple_action_new(name.data(), nullptr);
    g_simple_action_set_enabled(action, name == MainMenu::kOpen);  // the others wait for a document
    g_signal_connect(action, "activate", G_CALLBACK(runWindowAction), this);
    g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(action));
    g_object_unref(action);
  }
}

void MainWindow::runWindowAction(GSimpleAction* action, GVariant*, gpointer self) {
  const WindowActions& actions = static_cast<MainWindow*>(self)->actions_;
  const std::string_view name = g_action_get_name(G_ACTION(action));
  const std::function<void()>& run = name == MainMenu::kOpen      ? actions.open
                                     : name == MainMenu::kPrint   ? actions.print
                                     : name == MainMenu::kSavePDF ? actions.saveAsPDF
                                     : name == MainMenu::kSaveDocx ? actions.saveAsDocx
                                                                   : actions.checkSignaturesOnline;
  if (run) run();
}

void MainWindow::enableDocumentActions(bool enabled) {
  if (window_ == nullptr) return;
  for (const char* name :
       {MainMenu::kPrint, MainMenu::kSavePDF, MainMenu::kSaveDocx, MainMenu::kCheckSignaturesOnline}) {
    GAction* action = g_action_map_lookup_action(G_ACTION_MAP(window_), name);
    if (action != nullptr) g_simple_action_set_enabled(G_SIMPLE_ACTION(action), enabled);
  }
}

void MainWindow::showPrintDialog(std::shared_ptr<PrintJob> job, std::function<void()> failed) {
  if (window_ != nullptr) PrintOperation::run(window_, std::move(job), std::move(failed));
}

void MainWindow::chooseSavePath(const SaveRequest& request,
                                std::function<void(const std::string& path)> chosen) {
  const FileDialog& look = request.format == SaveFormat::docx ? kSaveDocxDialog : kSavePDFDialog;
  if (window_ != nullptr) runFileDialog(window_, look, request.folder, request.name, std::move(chosen));
}

void MainWindow::chooseUDFPath(const std::string& folder,
                               std::function<void(const std::string& path)> chosen) {
  if (window_ != nullptr) runFileDialog(window_, kOpenDialog, folder, {}, std::move(chosen));
}

void MainWindow::buildViews(WindowActions actions) {
  if (window_ == nullptr) return;
  actions_ = std::move(actions);
  gtk_box_append(GTK_BOX(content_), makeHeaderBand());

  dropView_ = std::make_unique<DropView>(content_);
  dropView_->onFileDropped = actions_.fileDropped;
  GtkWidget* dropZone = dropView_->widget();
  gtk_widget_set_size_request(dropZone, -1, 75);
  gtk_widget_set_margin_start(dropZone, kSide);
  gtk_widget_set_margin_end(dropZone, kSide);
  gtk_widget_set_margin_top(dropZone, 12);
  gtk_box_append(GTK_BOX(content_), dropZone);

  findBar_ = std::make_unique<FindBar>();
  findBar_->changed = [this](const std::string& text) { find(text); };
  findBar_->step = [this](bool forward) { stepFind(forward); };
  findBar_->closed = [this] { findClosed(); };
  gtk_box_append(GTK_BOX(content_), findBar_->widget());

  gtk_box_append(GTK_BOX(content_), makeDocumentFrame());
  gtk_window_set_focus(window_, pageView_->canvas());
  restoreSettings();
  // A menu item whose action nobody added stays grey for good.
  for (const Menu& menu : MainMenu::menus()) {
    for (const MenuItem& item : menu.items) {
      const std::string_view name = item.action;
      const std::string_view bare = name.substr(4, name.find("::") - 4);
      GActionMap* map = name.starts_with("win.") ? G_ACTION_MAP(window_) : G_ACTION_MAP(application_);
      if (g_action_map_lookup_action(map, std::string(bare).c_str()) == nullptr)
        logState("menu action missing " + item.action);
    }
  }
}

// The title and the two status lines at the left, taking the width; the
// refresh button at the right edge.
GtkWidget* MainWindow::makeHeaderBand() {
  GtkWidget* band = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
  gtk_widget_add_css_class(band, "header-band");
  gtk_widget_set_margin_start(band, kSide);
  gtk_widget_set_margin_end(band, kSide);
  gtk_widget_set_margin_top(band, 10);

  GtkWidget* texts = gtk_box_new(GTK_ORIENTATION_VERTICAL, 3);
  gtk_widget_set_hexpand(texts, TRUE);
  // Room for the start of each status however narrow the window; the
  // window can then be about 500 pixels wide.
  gtk_widget_set_size_request(texts, 220, -1);
  gtk_box_append(GTK_BOX(texts), lineLabel(WindowTexts::titleLabel(), "title-label"));
  extensionsStatus_ = lineLabel("", "status-label", GTK_ACCESSIBLE_ROLE_STATUS);
  documentStatus_ = lineLabel("", "status-label", GTK_ACCESSIBLE_ROLE_STATUS);
  gtk_box_append(GTK_BOX(texts), extensionsStatus_);
  gtk_box_append(GTK_BOX(texts), documentStatus_);
  gtk_box_append(GTK_BOX(band), texts);
  gtk_box_append(GTK_BOX(band), makePageBar());

  GtkWidget* refresh = gtk_button_new_with_label(WindowTexts::refreshButton());
  gtk_widget_set_valign(refresh, GTK_ALIGN_CENTER);
  // A click leaves the focus on the page, where Space scrolls.
  gtk_widget_set_focus_on_click(refresh, FALSE);
  speak(refresh, WindowTexts::refreshButton());
  g_signal_connect(refresh, "clicked", G_CALLBACK(refreshClicked), this);
  gtk_box_append(GTK_BOX(band), refresh);
  return band;
}

// The web view is made the first time it is shown: a window that shows
// pages only never loads the web engine's processes.
void MainWindow::ensureWebView() {
  if (webView_ != nullptr || stack_ == nullptr) return;
  webView_ = DocumentView::create();
  gtk_widget_set_vexpand(GTK_WIDGET(webView_), TRUE);
  gtk_widget_set_hexpand(GTK_WIDGET(webView_), TRUE);
  // A click in the page starts a selection of its own: "Tümünü Seç" no longer holds.
  GtkGesture* click = gtk_gesture_click_new();
  gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(click), GTK_PHASE_CAPTURE);
  g_signal_connect_swapped(click, "pressed",
                           G_CALLBACK(+[](MainWindow* self) { self->allSelected_ = false; }), this);
  gtk_widget_add_controller(GTK_WIDGET(webView_), GTK_EVENT_CONTROLLER(click));
  if (const char* timing = g_getenv("MARAVEL_LOG_TIMING"); timing != nullptr && *timing == '1') {
    g_signal_connect(
        webView_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer) {
          if (event != WEBKIT_LOAD_FINISHED) return;
          g_printerr("maravel-timing: web view loaded %.1f ms after start, at %.3f s since the epoch\n",
                     static_cast<double>(g_get_monotonic_time() - startTime()) / 1000.0,
                     static_cast<double>(g_get_real_time()) / 1e6);
        }),
        nullptr);
  }
  webFrame_ = GTK_WIDGET(webView_);
  gtk_stack_add_named(GTK_STACK(stack_), webFrame_, "web");
}

GtkWidget* MainWindow::makeDocumentFrame() {
  GtkWidget* frame = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_add_css_class(frame, "document-frame");
  gtk_widget_set_overflow(frame, GTK_OVERFLOW_HIDDEN);
  gtk_widget_set_margin_start(frame, kSide);
  gtk_widget_set_margin_end(frame, kSide);
  gtk_widget_set_margin_top(frame, 12);
  gtk_widget_set_margin_bottom(frame, 20);
  gtk_widget_set_vexpand(frame, TRUE);
  stack_ = gtk_stack_new();
  gtk_widget_set_vexpand(stack_, TRUE);
  gtk_widget_set_hexpand(stack_, TRUE);

  pageView_ = std::make_unique<PageView>();
  pageView_->changed = [this] { updatePageBar(); };
  pageView_->currentMatchPainted = [this](std::size_t page) {
    logState("current match painted on page " + std::to_string(page + 1));
  };
  if (const char* timing = g_getenv("MARAVEL_LOG_TIMING"); timing != nullptr && *timing == '1') {
    pageView_->firstPagePainted = [] {
      g_printerr("maravel-timing: first page painted %.1f ms after start, at %.3f s since the epoch\n",
                 static_cast<double>(g_get_monotonic_time() - startTime()) / 1000.0,
                 static_cast<double>(g_get_real_time()) / 1e6);
    };
  }
  gtk_stack_add_named(GTK_STACK(stack_), pageView_->widget(), "pages");

  gtk_stack_add_named(GTK_STACK(stack_), makeMessageView(), "message");
  gtk_box_append(GTK_BOX(frame), stack_);
  return frame;
}

void MainWindow::refreshClicked(GtkButton*, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  if (window->actions_.refresh) window->actions_.refresh();
}

void MainWindow::setTitle(const std::string& title) {
  logState("title " + title);
  if (window_ != nullptr) gtk_window_set_title(window_, title.c_str());
}

void MainWindow::showStatus(const StatusMessage& status) {
  GtkWidget* label = status.line == StatusLine::document ? documentStatus_ : extensionsStatus_;
  if (label == nullptr) return;
  gtk_label_set_text(GTK_LABEL(label), status.text.c_str());
  speak(label, status.text);
  for (const StatusColour colour :
       {StatusColour::secondary, StatusColour::success, StatusColour::error, StatusColour::warning}) {
    gtk_widget_remove_css_class(label, std::string(cssClass(colour)).c_str());
  }
  gtk_widget_add_css_class(label, std::string(cssClass(status.colour)).c_str());
}

void MainWindow::showAlert(const AlertText& alert, std::function<void()> closed) {
  if (window_ == nullptr) return;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkWidget* dialog =
      gtk_message_dialog_new(window_, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                             GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE, "%s", alert.message.c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", alert.informative.c_str());
  gtk_dialog_add_button(GTK_DIALOG(dialog), alert.button.c_str(), GTK_RESPONSE_CLOSE);
  G_GNUC_END_IGNORE_DEPRECATIONS
  auto* callback = new std::function<void()>(std::move(closed));
  g_signal_connect_data(
      dialog, "response", G_CALLBACK(+[](GtkWidget* self, int, gpointer data) {
        (*static_cast<std::function<void()>*>(data))();
        gtk_window_destroy(GTK_WINDOW(self));
      }),
      callback, +[](gpointer data, GClosure*) { delete static_cast<std::function<void()>*>(data); },
      GConnectFlags(0));
  gtk_window_present(GTK_WINDOW(dialog));
}

void MainWindow::quit() { g_application_quit(G_APPLICATION(application_)); }

void MainWindow::runInBackground(std::function<bool()> work, std::function<void(bool)> done) {
  auto* job = new BackgroundJob{std::move(work), std::move(done)};
  GTask* task = g_task_new(nullptr, nullptr, jobFinished, job);
  g_task_set_task_data(task, job, [](gpointer data) { delete static_cast<BackgroundJob*>(data); });
  g_task_run_in_thread(task, runJob);
  g_object_unref(task);
}

}  // namespace maravel
