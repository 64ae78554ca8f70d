// The GTK window behind MainWindowController: 880 x 720 below its menu bar
// at first, with
//   - the header band: the title, the document's and the extensions' status
//     lines, and the refresh button at the right edge,
//   - the drop zone (75 high, 24 from each side),
//   - the web view filling the rest, with rounded corners.
// Widening the window stretches the band, the drop zone and the web view;
// narrowing it shortens the texts (ending in "…"), down to a window about
// 500 pixels wide. Files dropped anywhere on it are taken; the keyboard focus
// starts on the page, so that the page keys scroll it.
//
// The window's own actions: "win.copy" and "win.select-all" go to the web
// view's editing commands; "win.open" to the controller; "win.print" and
// "win.save-pdf" too, and only while it enables them.
//
// The status colours follow the theme's light or dark background (from the
// brightness of its text colour), each at least 4.5:1 against it.
#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <memory>

#include "Maravel/gtk/drop_view.hpp"
#include "Maravel/window_surface.hpp"

namespace maravel {

class MainWindow final : public WindowSurface {
 public:
  // A window of the application, not shown yet; `menu` is the menu bar's
  // model.
  MainWindow(GtkApplication* application, GMenuModel* menu);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Shows the window and brings it to the front; nothing once it is closed.
  void present();

  // The style of every window of the application; installed once at start.
  static void installStyle();

  void buildViews(WindowActions actions) override;
  bool hasWindow() const override { return window_ != nullptr; }
  void setTitle(const std::string& title) override;
  void showStatus(const StatusMessage& status) override;
  void showPage(const std::string& html) override;
  void showAlert(const AlertText& alert, std::function<void()> closed) override;
  void quit() override;
  void runInBackground(std::function<bool()> work, std::function<void(bool)> done) override;
  void enableDocumentActions(bool enabled) override;
  void showPrintDialog(std::shared_ptr<PrintJob> job, std::function<void()> failed) override;
  void chooseSavePath(const SaveRequest& request,
                      std::function<void(const std::string& path)> chosen) override;
  void chooseUDFPath(const std::string& folder, std::function<void(const std::string& path)> chosen) override;

 private:
  static void windowDestroyed(GtkWidget*, gpointer self);
  static void refreshClicked(GtkButton*, gpointer self);
  static void runEditingCommand(GSimpleAction* action, GVariant*, gpointer self);
  static void runWindowAction(GSimpleAction* action, GVariant*, gpointer self);
  static void themeChanged(GObject*, GParamSpec*, gpointer self);
  void addEditActions();
  void addWindowActions();
  void followTheme();
  GtkWidget* makeHeaderBand();
  GtkWidget* makeDocumentFrame();

  GtkApplication* application_;
  GtkWindow* window_;
  GtkWidget* content_ = nullptr;
  GtkWidget* documentStatus_ = nullptr;
  GtkWidget* extensionsStatus_ = nullptr;
  WebKitWebView* webView_ = nullptr;
  std::unique_ptr<DropView> dropView_;
  WindowActions actions_;
};

}  // namespace maravel
