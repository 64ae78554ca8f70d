#include "Maravel/gtk/app_delegate.hpp"

#include <optional>

#include "Maravel/gtk/main_window.hpp"
#include "Maravel/main_menu.hpp"
#include "Maravel/recent_files.hpp"
#include "platform/process/process.hpp"

namespace maravel {
namespace {

// The path of a file handed over; a file with no local path keeps its URI,
// which then cannot be read.
std::string pathOf(GFile* file) {
  char* text = g_file_get_path(file);
  if (text == nullptr) text = g_file_get_uri(file);
  std::string path = text != nullptr ? text : "";
  g_free(text);
  return path;
}

void quitApplication(GSimpleAction*, GVariant*, gpointer application) {
  g_application_quit(G_APPLICATION(application));
}

}  // namespace

AppDelegate::AppDelegate(GtkApplication* application) : application_(application), recentMenu_(g_menu_new()) {
  g_signal_connect(application, "startup", G_CALLBACK(startup), this);
  g_signal_connect(application, "activate", G_CALLBACK(activate), this);
  g_signal_connect(application, "open", G_CALLBACK(open), this);
}

AppDelegate::~AppDelegate() {
  windowControllers.clear();
  g_signal_handlers_disconnect_by_data(application_, this);
  g_signal_handlers_disconnect_by_data(gtk_recent_manager_get_default(), this);
  g_object_unref(recentMenu_);
}

void AppDelegate::recentChanged(GtkRecentManager* manager, gpointer self) {
  std::vector<RecentFile> files;
  GList* items = gtk_recent_manager_get_items(manager);
  for (GList* at = items; at != nullptr; at = at->next) {
    auto* info = static_cast<GtkRecentInfo*>(at->data);
    RecentFile file;
    if (gtk_recent_info_is_local(info)) {
      char* path = g_filename_from_uri(gtk_recent_info_get_uri(info), nullptr, nullptr);
      if (path != nullptr) file.path = path;
      g_free(path);
    }
    file.modified = g_date_time_to_unix(gtk_recent_info_get_modified(info));
    file.exists = !file.path.empty() && g_file_test(file.path.c_str(), G_FILE_TEST_IS_REGULAR);
    files.push_back(std::move(file));
  }
  g_list_free_full(items, reinterpret_cast<GDestroyNotify>(gtk_recent_info_unref));
  GMenu* menu = static_cast<AppDelegate*>(self)->recentMenu_;
  g_menu_remove_all(menu);
  for (const RecentEntry& entry : RecentFiles::entries(std::move(files))) {
    GMenuItem* item = g_menu_item_new(entry.label.c_str(), nullptr);
    g_menu_item_set_action_and_target_value(item, "app.open-recent",
                                            g_variant_new_string(entry.path.c_str()));
    g_menu_append_item(menu, item);
    g_object_unref(item);
  }
  if (g_menu_model_get_n_items(G_MENU_MODEL(menu)) == 0)
    g_menu_append(menu, "Son açılan belge yok", "app.no-recent");
}

void AppDelegate::openRecent(GSimpleAction*, GVariant* path, gpointer self) {
  static_cast<AppDelegate*>(self)->openFiles({g_variant_get_string(path, nullptr)});
}

GMenuModel* AppDelegate::makeMainMenu() {
  GMenu* bar = g_menu_new();
  for (const Menu& menu : MainMenu::menus()) {
    GMenu* submenu = g_menu_new();
    for (const MenuItem& entry : menu.items) {
      GMenuItem* item = g_menu_item_new(entry.label.c_str(), entry.action.c_str());
      if (!entry.accelerator.empty())
        g_menu_item_set_attribute(item, "accel", "s", entry.accelerator.c_str());
      g_menu_append_item(submenu, item);
      g_object_unref(item);
      if (entry.action == std::string("win.") + MainMenu::kOpen)
        g_menu_append_submenu(submenu, "Son Açılanlar", G_MENU_MODEL(recentMenu_));
    }
    g_menu_append_submenu(bar, menu.title.c_str(), G_MENU_MODEL(submenu));
    g_object_unref(submenu);
  }
  return G_MENU_MODEL(bar);
}

void AppDelegate::startup(GApplication*, gpointer self) {
  auto* delegate = static_cast<AppDelegate*>(self);
  GSimpleAction* quit = g_simple_action_new(MainMenu::kQuit, nullptr);
  g_signal_connect(quit, "activate", G_CALLBACK(quitApplication), delegate->application_);
  g_action_map_add_action(G_ACTION_MAP(delegate->application_), G_ACTION(quit));
  g_object_unref(quit);
  GSimpleAction* recent = g_simple_action_new("open-recent", G_VARIANT_TYPE_STRING);
  g_signal_connect(recent, "activate", G_CALLBACK(openRecent), delegate);
  g_action_map_add_action(G_ACTION_MAP(delegate->application_), G_ACTION(recent));
  g_object_unref(recent);
  // Named but never enabled: the greyed line of an empty list.
  GSimpleAction* none = g_simple_action_new("no-recent", nullptr);
  g_simple_action_set_enabled(none, FALSE);
  g_action_map_add_action(G_ACTION_MAP(delegate->application_), G_ACTION(none));
  g_object_unref(none);
  GtkRecentManager* manager = gtk_recent_manager_get_default();
  g_signal_connect(manager, "changed", G_CALLBACK(recentChanged), delegate);
  recentChanged(manager, delegate);
  for (const Menu& menu : MainMenu::menus()) {
    for (const MenuItem& entry : menu.items) {
      if (entry.accelerator.empty()) continue;
      // Ctrl+= zooms in as well, for keyboards where "+" needs Shift.
      const bool zoomIn = entry.action == "win.zoom-in";
      const char* accelerators[] = {entry.accelerator.c_str(), zoomIn ? "<Control>equal" : nullptr,
                                    zoomIn ? "<Control>KP_Add" : nullptr, nullptr};
      gtk_application_set_accels_for_action(delegate->application_, entry.action.c_str(), accelerators);
    }
  }
  MainWindow::installStyle();
}

void AppDelegate::activate(GApplication*, gpointer self) {
  auto* delegate = static_cast<AppDelegate*>(self);
  if (delegate->windowControllers.empty()) {
    delegate->applicationDidFinishLaunching();
  } else if (auto* window = gtk_application_get_active_window(delegate->application_)) {
    gtk_window_present(window);
  }
}

void AppDelegate::open(GApplication*, GFile** files, int count, const char*, gpointer self) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) paths.push_back(pathOf(files[i]));
  auto* delegate = static_cast<AppDelegate*>(self);
  delegate->openFiles(paths);
  activate(nullptr, self);
}

void AppDelegate::openFiles(const std::vector<std::string>& paths) {
  const std::vector<std::string> files = openRequests_.open(paths);
  if (files.empty() || windowControllers.empty()) return;
  MainWindowController* first = nullptr;
  GtkWindow* active = gtk_application_get_active_window(application_);
  for (const auto& controller : windowControllers) {
    if (controller->surface().hasWindow() && controller->hasShownNothing() &&
        static_cast<MainWindow&>(controller->surface()).isWindow(active))
      first = controller.get();
  }
  for (const std::string& file : files) {
    if (first != nullptr) {
      first->openFile(file);
      first = nullptr;
      continue;
    }
    MainWindowController& controller = newWindow();
    controller.openFile(file);
    controller.checkInstallation();
  }
}

MainWindowController& AppDelegate::newWindow() {
  GMenuModel* menu = makeMainMenu();
  auto window = std::make_unique<MainWindow>(application_, menu);
  g_object_unref(menu);
  MainWindow& shown = *window;
  windowControllers.push_back(
      MainWindowController::create(std::move(window), HostInstallation::current(), run));
  shown.present();
  return *windowControllers.back();
}

void AppDelegate::applicationDidFinishLaunching() {
  MainWindowController& first = newWindow();
  const std::vector<std::string> files = openRequests_.windowBuilt();
  for (std::size_t i = 0; i < files.size(); ++i) (i == 0 ? first : newWindow()).openFile(files[i]);
  // Each window reports the extensions on its own status line.
  for (const auto& controller : windowControllers) controller->checkInstallation();
}

}  // namespace maravel
