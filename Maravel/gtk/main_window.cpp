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
constexpr const char* kCommandKey = "maravel-editing-command";

// Colours from the theme: the GNOME palette's success, error and warning
// colours and its separator colour; the drop highlight in the palette's
// blue.
constexpr const char* kStyle = R"(
.title-label { font-size: 18px; font-weight: bold; }
.status-label { font-size: 12px; font-weight: 500; }
.status-label.success { color: @success_color; }
.status-label.error { color: @error_color; }
.status-label.warning { color: @warning_color; }
.drop-zone { border: 2px solid @borders; border-radius: 12px; background-color: transparent; }
.drop-zone.drop-highlight { border-color: #3584e4; background-color: alpha(#3584e4, 0.08); }
.hint-label { font-size: 13px; }
.refresh-button { padding-left: 4px; padding-right: 4px; }
.document-frame { border-radius: 8px; }
)";

GtkWidget* fixedLabel(const char* text, const char* cssClass, int width, int height) {
  GtkWidget* label = gtk_label_new(text);
  gtk_widget_add_css_class(label, cssClass);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 1);  // the width below decides, not the text
  gtk_widget_set_size_request(label, width, height);
  gtk_widget_set_halign(label, GTK_ALIGN_START);
  return label;
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
  gtk_window_set_title(window_, "Maravel (Quick Look)");
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
  addEditActions();
  addDocumentActions();
  g_signal_connect(window_, "destroy", G_CALLBACK(windowDestroyed), this);
}

MainWindow::~MainWindow() {
  if (window_ == nullptr) return;
  g_signal_handlers_disconnect_by_data(window_, this);
  gtk_window_destroy(window_);
}

void MainWindow::installStyle() {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kStyle, -1);
  gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(provider),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

void MainWindow::present() {
  if (window_ != nullptr) gtk_window_present(window_);
}

void MainWindow::windowDestroyed(GtkWidget*, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  window->window_ = nullptr;
  window->content_ = nullptr;
  window->statusLabel_ = nullptr;
  window->webView_ = nullptr;
}

void MainWindow::addEditActions() {
  struct EditAction {
    const char* name;
    const char* command;
  };
  static constexpr EditAction actions[] = {{MainMenu::kCopy, WEBKIT_EDITING_COMMAND_COPY},
                                           {MainMenu::kSelectAll, WEBKIT_EDITING_COMMAND_SELECT_ALL}};
  for (const EditAction& edit : actions) {
    GSimpleAction* action = g_simple_action_new(edit.name, nullptr);
    g_object_set_data(G_OBJECT(action), kCommandKey, const_cast<char*>(edit.command));
    g_signal_connect(action, "activate", G_CALLBACK(runEditingCommand), this);
    g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(action));
    g_object_unref(action);
  }
}

void MainWindow::runEditingCommand(GSimpleAction* action, GVariant*, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  const auto* command = static_cast<const char*>(g_object_get_data(G_OBJECT(action), kCommandKey));
  if (window->webView_ != nullptr) webkit_web_view_execute_editing_command(window->webView_, command);
}

void MainWindow::addDocumentActions() {
  for (const char* name : {MainMenu::kPrint, MainMenu::kSavePDF}) {
    GSimpleAction* action = g_simple_action_new(name, nullptr);
    g_simple_action_set_enabled(action, FALSE);
    g_signal_connect(action, "activate", G_CALLBACK(runDocumentAction), this);
    g_action_map_add_action(G_ACTION_MAP(window_), G_ACTION(action));
    g_object_unref(action);
  }
}

void MainWindow::runDocumentAction(GSimpleAction* action, GVariant*, gpointer self) {
  const WindowActions& actions = static_cast<MainWindow*>(self)->actions_;
  const std::string_view name = g_action_get_name(G_ACTION(action));
  const std::function<void()>& run = name == MainMenu::kPrint ? actions.print : actions.saveAsPDF;
  if (run) run();
}

void MainWindow::enableDocumentActions(bool enabled) {
  if (window_ == nullptr) return;
  for (const char* name : {MainMenu::kPrint, MainMenu::kSavePDF}) {
    GAction* action = g_action_map_lookup_action(G_ACTION_MAP(window_), name);
    if (action != nullptr) g_simple_action_set_enabled(G_SIMPLE_ACTION(action), enabled);
  }
}

void MainWindow::showPrintDialog(std::shared_ptr<PrintJob> job, std::function<void()> failed) {
  if (window_ != nullptr) PrintOperation::run(window_, std::move(job), std::move(failed));
}

void MainWindow::choosePDFPath(const SaveRequest& request,
                               std::function<void(const std::string& path)> chosen) {
  if (window_ == nullptr) return;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkFileChooserNative* dialog = gtk_file_chooser_native_new(
      "PDF Olarak Kaydet", window_, GTK_FILE_CHOOSER_ACTION_SAVE, "Kaydet", "Vazgeç");
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, "PDF belgeleri");
  gtk_file_filter_add_suffix(filter, "pdf");
  gtk_file_chooser_add_filter(chooser, filter);
  g_object_unref(filter);
  if (!request.folder.empty()) {
    GFile* folder = g_file_new_for_path(request.folder.c_str());
    gtk_file_chooser_set_current_folder(chooser, folder, nullptr);
    g_object_unref(folder);
  }
  gtk_file_chooser_set_current_name(chooser, request.name.c_str());
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

void MainWindow::buildViews(WindowActions actions) {
  if (window_ == nullptr) return;
  actions_ = std::move(actions);
  gtk_box_append(GTK_BOX(content_), makeHeaderBand());

  dropView_ = std::make_unique<DropView>();
  dropView_->onFileDropped = actions_.fileDropped;
  GtkWidget* dropZone = dropView_->widget();
  gtk_widget_set_size_request(dropZone, -1, 75);
  gtk_widget_set_margin_start(dropZone, kSide);
  gtk_widget_set_margin_end(dropZone, kSide);
  gtk_widget_set_margin_top(dropZone, 15);
  gtk_box_append(GTK_BOX(content_), dropZone);

  gtk_box_append(GTK_BOX(content_), makeDocumentFrame());
}

GtkWidget* MainWindow::makeHeaderBand() {
  GtkWidget* band = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_add_css_class(band, "header-band");
  gtk_widget_set_size_request(band, -1, 80);

  GtkWidget* texts = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_widget_set_margin_start(texts, kSide);
  gtk_widget_set_margin_top(texts, 10);
  gtk_box_append(GTK_BOX(texts), fixedLabel("⚖️ Maravel (Quick Look)", "title-label", 400, 26));
  statusLabel_ = fixedLabel("", "status-label", 680, 18);
  gtk_box_append(GTK_BOX(texts), statusLabel_);
  gtk_box_append(GTK_BOX(band), texts);

  GtkWidget* refresh = gtk_button_new_with_label("🔄 Finder'ı Yenile");
  gtk_widget_add_css_class(refresh, "refresh-button");
  gtk_widget_set_size_request(refresh, 136, 32);
  gtk_widget_set_margin_start(refresh, 16);
  gtk_widget_set_margin_top(refresh, 22);
  gtk_widget_set_valign(refresh, GTK_ALIGN_START);
  gtk_widget_set_halign(refresh, GTK_ALIGN_START);
  g_signal_connect(refresh, "clicked", G_CALLBACK(refreshClicked), this);
  gtk_box_append(GTK_BOX(band), refresh);
  return band;
}

GtkWidget* MainWindow::makeDocumentFrame() {
  GtkWidget* frame = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_add_css_class(frame, "document-frame");
  gtk_widget_set_overflow(frame, GTK_OVERFLOW_HIDDEN);
  gtk_widget_set_margin_start(frame, kSide);
  gtk_widget_set_margin_end(frame, kSide);
  gtk_widget_set_margin_top(frame, 15);
  gtk_widget_set_margin_bottom(frame, 20);
  gtk_widget_set_vexpand(frame, TRUE);
  webView_ = DocumentView::create();
  gtk_widget_set_vexpand(GTK_WIDGET(webView_), TRUE);
  gtk_widget_set_hexpand(GTK_WIDGET(webView_), TRUE);
  gtk_box_append(GTK_BOX(frame), GTK_WIDGET(webView_));
  return frame;
}

void MainWindow::refreshClicked(GtkButton*, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  if (window->actions_.refresh) window->actions_.refresh();
}

void MainWindow::showStatus(const StatusMessage& status) {
  if (statusLabel_ == nullptr) return;
  gtk_label_set_text(GTK_LABEL(statusLabel_), status.text.c_str());
  for (const StatusColour colour :
       {StatusColour::secondary, StatusColour::success, StatusColour::error, StatusColour::warning}) {
    gtk_widget_remove_css_class(statusLabel_, std::string(cssClass(colour)).c_str());
  }
  gtk_widget_add_css_class(statusLabel_, std::string(cssClass(status.colour)).c_str());
}

void MainWindow::showPage(const std::string& html) {
  if (webView_ != nullptr) webkit_web_view_load_html(webView_, html.c_str(), nullptr);
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
