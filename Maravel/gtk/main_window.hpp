// The GTK window behind MainWindowController: 880 x 720 below its menu bar
// at first, with
//   - the header band: the title, the document's and the extensions' status
//     lines, and the refresh button at the right edge,
//   - the drop zone (75 high, 24 from each side),
//   - the find bar (Ctrl+F), hidden until asked for,
//   - the document filling the rest, with rounded corners: the page view
//     (PageView, the printed pages; the default) or the web view (the
//     preview page), switched by the View menu and the band's "Sayfalar" /
//     "Önizleme" buttons; in their place, while a file is read or when it
//     cannot be shown, a view that says so (the latter with "Aç…").
// The web view loads a document's page only once it is switched to, so
// that a document shown as pages never starts the web engine.
// Widening the window stretches the band, the drop zone and the web view;
// narrowing it shortens the texts (ending in "…"), down to a window about
// 500 pixels wide. Files dropped anywhere on it are taken; the keyboard focus
// starts on the page, so that the page keys scroll it.
//
// The window's own actions: "win.copy" copies the selection of the view
// shown, or the document's text after "win.select-all"; "win.open" goes to
// the controller; "win.print" and "win.save-pdf" too, and only while it
// enables them; find, view, zoom and go-to-page act on the view shown.
//
// With MARAVEL_LOG_TIMING=1 in its environment the window writes to
// standard error when it first paints a document's first page, in
// milliseconds since the program started and since the epoch; with
// MARAVEL_LOG_STATE=1 it writes a "maravel-state:" line for each title,
// view, failure, finished layout and find, and MARAVEL_TEST_FIND=WORD finds
// WORD in each document once it is laid out, for the tests.
//
// The status colours follow the theme's light or dark background (from the
// brightness of its text colour), each at least 4.5:1 against it.
#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Maravel/gtk/drop_view.hpp"
#include "Maravel/gtk/find_bar.hpp"
#include "Maravel/gtk/page_view.hpp"
#include "Maravel/page_feed.hpp"
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
  bool isWindow(GtkWindow* window) const { return window != nullptr && window == window_; }

  // The monotonic time (g_get_monotonic_time) of the first call: called
  // first thing in main, so that the timing log counts from the start.
  static gint64 startTime();

  // The style of every window of the application; installed once at start.
  static void installStyle();

  void buildViews(WindowActions actions) override;
  bool hasWindow() const override { return window_ != nullptr; }
  void setTitle(const std::string& title) override;
  void showStatus(const StatusMessage& status) override;
  void showPage(const std::string& html) override;
  void showLoading(const std::string& fileName) override;
  void showDocument(DocumentOnScreen document) override;
  void showFailure(const std::string& heading, const std::string& explanation) override;
  void showAlert(const AlertText& alert, std::function<void()> closed) override;
  void quit() override;
  void runInBackground(std::function<bool()> work, std::function<void(bool)> done) override;
  void watchFile(const std::string& path, std::function<void()> changed) override;
  void addRecent(const std::string& path) override;
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
  static void runViewAction(GSimpleAction* action, GVariant* parameter, gpointer self);
  static void pageEntered(GtkEntry* entry, gpointer self);
  static gboolean drainPages(gpointer token);
  static gboolean prepareTexts(gpointer data);
  static gboolean pageKeyPressed(GtkEventControllerKey*, guint key, guint, GdkModifierType state,
                                 gpointer self);
  void addEditActions();
  void addWindowActions();
  void addViewActions();
  void followTheme();
  GtkWidget* makeHeaderBand();
  GtkWidget* makePageBar();
  GtkWidget* makeDocumentFrame();
  GtkWidget* makeMessageView();
  void ensureWebView();

  // What the document area shows.
  enum class Showing { welcome, loading, document, failure };
  // Lets go of the document shown, its pages and its layout.
  void forgetDocument();
  void showMessage(const std::string& heading, const std::string& explanation, bool busy, bool offerOpen);
  void setView(bool pages);
  void showCurrentView();
  void takePages();
  void updatePageBar();
  GtkWidget* focusedField() const;
  void copy();
  void selectAll();
  void find(const std::string& text);
  void stepFind(bool forward);
  void showMatch();
  void findClosed();
  void logState(const std::string& line) const;
  void showShortcuts();
  void showAbout();
  // The window's size, view and zoom, kept in $XDG_CONFIG_HOME/maravel/window.ini
  // while any of them differs from how a first window starts (no file then).
  void restoreSettings();
  void saveSettings();
  static gboolean closeRequested(GtkWindow*, gpointer self);
  static void fileChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent event, gpointer self);
  GtkApplication* application_;
  GtkWindow* window_;
  GtkWidget* content_ = nullptr;
  GtkWidget* documentStatus_ = nullptr;
  GtkWidget* extensionsStatus_ = nullptr;
  WebKitWebView* webView_ = nullptr;
  GtkWidget* webFrame_ = nullptr;
  GtkWidget* stack_ = nullptr;
  GtkWidget* messageHeading_ = nullptr;
  GtkWidget* messageText_ = nullptr;
  GtkWidget* messageSpinner_ = nullptr;
  GtkWidget* messageOpen_ = nullptr;
  GtkWidget* pageEntry_ = nullptr;
  GtkWidget* pageCount_ = nullptr;
  GtkWidget* zoomLabel_ = nullptr;
  std::unique_ptr<DropView> dropView_;
  std::unique_ptr<PageView> pageView_;
  std::unique_ptr<FindBar> findBar_;
  WindowActions actions_;

  Showing showing_ = Showing::welcome;
  bool pagesShown_ = true;  // the page view, not the web view
  std::string welcomePage_;
  std::optional<DocumentOnScreen> document_;
  bool webLoaded_ = false;  // the web view holds what is shown
  std::shared_ptr<PagedDocument> pages_;
  std::shared_ptr<PageFeed> feed_;
  std::vector<PageMatch> matches_;
  std::size_t currentMatch_ = 0;
  bool allSelected_ = false;
  int defaultWidth_ = 0, defaultHeight_ = 0;  // of a first window, its menu bar included
  GFileMonitor* monitor_ = nullptr;
  std::function<void()> fileChanged_;
  // Lets the layout thread's wake-ups reach the window only while it lives.
  std::shared_ptr<MainWindow*> alive_ = std::make_shared<MainWindow*>(this);
};

}  // namespace maravel
