// The application's side of GtkApplication: its menu and shortcuts at
// startup, the launch sequence on the first activation or open request, and
// files handed over by the command line or a file manager.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "Maravel/main_window_controller.hpp"
#include "Maravel/open_requests.hpp"

namespace maravel {

class AppDelegate {
 public:
  // Connects to the application's startup, activate and open signals; must
  // outlive its run.
  explicit AppDelegate(GtkApplication* application);
  ~AppDelegate();
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  // The menu bar of MainMenu, with the recently opened documents under
  // "Dosya". The caller owns the model.
  GMenuModel* makeMainMenu();

  // One for each window: a document a window, as the desktop's document
  // viewers do, so that each window's title, page count and actions are
  // about the one document it shows.
  std::vector<std::shared_ptr<MainWindowController>> windowControllers;

 private:
  static void startup(GApplication*, gpointer self);
  static void activate(GApplication*, gpointer self);
  static void open(GApplication*, GFile** files, int count, const char* hint, gpointer self);
  static void openRecent(GSimpleAction*, GVariant* path, gpointer self);
  // Fills the "Son Açılanlar" menu from the desktop's recently used files.
  static void recentChanged(GtkRecentManager*, gpointer self);

  // Builds and shows the window, shows the files handed over meanwhile,
  // then runs the installation check.
  void applicationDidFinishLaunching();
  // The first file in the active window while it has shown none, every
  // other file in a new window.
  void openFiles(const std::vector<std::string>& paths);
  // A new window, shown, with its controller.
  MainWindowController& newWindow();

  GtkApplication* application_;
  OpenRequests openRequests_;
  // Shared by every window's menu bar.
  GMenu* recentMenu_;
};

}  // namespace maravel
