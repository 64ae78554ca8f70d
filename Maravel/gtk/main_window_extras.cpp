// What MainWindow does besides showing a document: the keyboard shortcuts
// window, About, the settings it remembers, the watch on the shown file and
// the recently used files.
#include <glib/gstdio.h>

#include <string>
#include <string_view>

#include "Maravel/gtk/main_window.hpp"
#include "Maravel/main_menu.hpp"

namespace maravel {
namespace {

constexpr const char* kGroup = "window";

std::string escaped(std::string_view text) {
  char* markup = g_markup_escape_text(text.data(), static_cast<gssize>(text.size()));
  std::string out = markup;
  g_free(markup);
  return out;
}

std::string shortcut(std::string_view title, std::string_view accelerator) {
  return "<child><object class=\"GtkShortcutsShortcut\"><property name=\"title\">" + escaped(title) +
         "</property><property name=\"accelerator\">" + escaped(accelerator) + "</property></object></child>";
}

// The shortcuts window's description: every menu item with a shortcut, by
// menu, and the page keys.
std::string shortcutsInterface() {
  std::string groups;
  for (const Menu& menu : MainMenu::menus()) {
    std::string items;
    for (const MenuItem& item : menu.items) {
      if (!item.accelerator.empty()) items += shortcut(item.label, item.accelerator);
    }
    groups += "<child><object class=\"GtkShortcutsGroup\"><property name=\"title\">" + escaped(menu.title) +
              "</property>" + items + "</object></child>";
  }
  groups += "<child><object class=\"GtkShortcutsGroup\"><property name=\"title\">Sayfalar</property>" +
            shortcut("Sonraki / önceki ekran", "Page_Down Page_Up") +
            shortcut("İlk / son sayfa", "Home End") +
            shortcut("Yakınlaştır / uzaklaştır", "<Control>plus <Control>minus") +
            shortcut("Bulmayı kapat", "Escape") + "</object></child>";
  return "<interface><object class=\"GtkShortcutsWindow\" id=\"shortcuts\"><property "
         "name=\"modal\">1</property>"
         "<child><object class=\"GtkShortcutsSection\"><property name=\"section-name\">main</property>" +
         groups + "</object></child></object></interface>";
}

std::string settingsPath() { return std::string(g_get_user_config_dir()) + "/maravel/window.ini"; }

}  // namespace

void MainWindow::showShortcuts() {
  GtkBuilder* builder = gtk_builder_new_from_string(shortcutsInterface().c_str(), -1);
  auto* shortcuts = GTK_WINDOW(gtk_builder_get_object(builder, "shortcuts"));
  gtk_window_set_transient_for(shortcuts, window_);
  gtk_window_present(shortcuts);
  g_object_unref(builder);
}

void MainWindow::showAbout() {
  gtk_show_about_dialog(window_, "program-name", "Maravel", "version", MARAVEL_VERSION, "comments",
                        "UYAP belgelerini (.udf) basıldıkları sayfalarla gösterir.", "logo-icon-name",
                        "com.orvelin.Maravel", "license-type", GTK_LICENSE_APACHE_2_0, "copyright",
                        "© Orvelin", "website", "mailto:maravel@orvelin.com", "website-label",
                        "maravel@orvelin.com", nullptr);
}

void MainWindow::restoreSettings() {
  GKeyFile* file = g_key_file_new();
  if (g_key_file_load_from_file(file, settingsPath().c_str(), G_KEY_FILE_NONE, nullptr)) {
    const int width = g_key_file_get_integer(file, kGroup, "width", nullptr);
    const int height = g_key_file_get_integer(file, kGroup, "height", nullptr);
    // Sizes out of reason (a damaged file) are ignored.
    if (width >= 400 && height >= 300 && width <= 16384 && height <= 16384)
      gtk_window_set_default_size(window_, width, height);
    if (g_key_file_get_boolean(file, kGroup, "maximized", nullptr)) gtk_window_maximize(window_);
    char* view = g_key_file_get_string(file, kGroup, "view", nullptr);
    if (view != nullptr && std::string_view(view) == "web") setView(false);
    g_free(view);
    char* zoom = g_key_file_get_string(file, kGroup, "zoom", nullptr);
    const std::string_view fit = zoom != nullptr ? zoom : "";
    if (fit == "fit-page") {
      pageView_->setFit(PageView::Fit::page);
    } else if (!fit.empty() && fit != "fit-width") {
      pageView_->setZoomPercent(g_ascii_strtod(zoom, nullptr));
    }
    g_free(zoom);
  }
  g_key_file_unref(file);
}

void MainWindow::saveSettings() {
  if (window_ == nullptr || !pageView_) return;
  GKeyFile* file = g_key_file_new();
  int width = 0, height = 0;
  gtk_window_get_default_size(window_, &width, &height);
  g_key_file_set_integer(file, kGroup, "width", width);
  g_key_file_set_integer(file, kGroup, "height", height);
  g_key_file_set_boolean(file, kGroup, "maximized", gtk_window_is_maximized(window_));
  g_key_file_set_string(file, kGroup, "view", pagesShown_ ? "pages" : "web");
  const PageView::Fit fit = pageView_->fit();
  const std::string zoom = fit == PageView::Fit::width  ? "fit-width"
                           : fit == PageView::Fit::page ? "fit-page"
                                                        : std::to_string(pageView_->zoomPercent());
  g_key_file_set_string(file, kGroup, "zoom", zoom.c_str());
  const std::string path = settingsPath();
  // As a first window starts: nothing to remember, nothing left in the home.
  if (width == defaultWidth_ && height == defaultHeight_ && !gtk_window_is_maximized(window_) && pagesShown_ &&
      fit == PageView::Fit::width) {
    g_key_file_unref(file);
    g_remove(path.c_str());
    return;
  }
  char* folder = g_path_get_dirname(path.c_str());
  g_mkdir_with_parents(folder, 0700);
  g_free(folder);
  g_key_file_save_to_file(file, path.c_str(), nullptr);
  g_key_file_unref(file);
}

gboolean MainWindow::closeRequested(GtkWindow*, gpointer self) {
  static_cast<MainWindow*>(self)->saveSettings();
  return FALSE;  // and close
}

void MainWindow::watchFile(const std::string& path, std::function<void()> changed) {
  if (monitor_ != nullptr) {
    g_signal_handlers_disconnect_by_data(monitor_, this);
    g_file_monitor_cancel(monitor_);
    g_object_unref(monitor_);
    monitor_ = nullptr;
  }
  fileChanged_ = std::move(changed);
  if (path.empty()) return;
  GFile* file = g_file_new_for_path(path.c_str());
  monitor_ = g_file_monitor_file(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
  g_object_unref(file);
  if (monitor_ != nullptr) g_signal_connect(monitor_, "changed", G_CALLBACK(fileChanged), this);
}

// Written whole (the writer is done with it), or put in place by a rename
// as editors and downloads do.
void MainWindow::fileChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent event, gpointer self) {
  auto* window = static_cast<MainWindow*>(self);
  const bool settled = event == G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT ||
                       event == G_FILE_MONITOR_EVENT_CREATED || event == G_FILE_MONITOR_EVENT_MOVED_IN ||
                       event == G_FILE_MONITOR_EVENT_RENAMED;
  if (settled && window->fileChanged_) window->fileChanged_();
}

void MainWindow::addRecent(const std::string& path) {
  char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (uri != nullptr) gtk_recent_manager_add_item(gtk_recent_manager_get_default(), uri);
  g_free(uri);
}

}  // namespace maravel
