// What MainWindowController drives: the window's widgets and the hand-over
// between the main thread and a background thread. The GTK window implements
// it; the tests use a recording stand-in, so every decision of the controller
// runs without a display.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Maravel/save_request.hpp"
#include "Maravel/status_message.hpp"
#include "Maravel/window_texts.hpp"
#include "model/udf_document.hpp"
#include "paper/print_job.hpp"

namespace maravel {

// The controller's answers to what the user does in the window.
struct WindowActions {
  std::function<void()> refresh;                             // the refresh button
  std::function<void(const std::string& path)> fileDropped;  // a file dropped anywhere on the window
  std::function<void()> open;                                // "Aç…"
  std::function<void()> print;                               // "Yazdır…"
  std::function<void()> saveAsPDF;                           // "PDF Olarak Kaydet…"
  std::function<void()> saveAsDocx;                          // "Word Belgesi Olarak Kaydet…"
  std::function<void()> reload;                              // "Yeniden Yükle" (F5)
  std::function<void()> checkSignaturesOnline;               // "İmzaları Çevrimiçi Denetle"
};

// A document ready to show: the page view lays it out, the web view shows
// its preview page, copying everything gives its text. `page` and `text` are
// made only when first asked for, on the main thread.
struct DocumentOnScreen {
  std::shared_ptr<const UDFDocument> document;
  std::string fileName;
  std::size_t fileBytes = 0;
  SignatureBadge badge;
  std::function<std::string()> page;  // the preview page (UTF-8 HTML)
  std::function<std::string()> text;  // the document's text, tabs and line ends kept
};

class WindowSurface {
 public:
  virtual ~WindowSurface() = default;

  // Builds the header band, the drop zone and the web view, wired to
  // `actions`; the keyboard focus starts on the page. Called once, on the
  // main thread, like every call below except the work given to
  // runInBackground.
  virtual void buildViews(WindowActions actions) = 0;
  virtual bool hasWindow() const = 0;
  virtual void setTitle(const std::string& title) = 0;
  // Shows the message on its own status line; the other line keeps its text.
  virtual void showStatus(const StatusMessage& status) = 0;
  // Loads a page (UTF-8 HTML) with no base URI: the welcome page, shown in
  // place of any document.
  virtual void showPage(const std::string& html) = 0;
  // Replaces what is shown by the sign that `fileName` is being opened.
  virtual void showLoading(const std::string& fileName) = 0;
  // Replaces what is shown by the document.
  virtual void showDocument(DocumentOnScreen document) = 0;
  // Replaces what is shown by the view saying why a file cannot be shown,
  // with a button to open another.
  virtual void showFailure(const std::string& heading, const std::string& explanation) = 0;
  // A modal dialog on the window; `closed` runs once it is dismissed, however.
  virtual void showAlert(const AlertText& alert, std::function<void()> closed) = 0;
  virtual void quit() = 0;
  // Makes printing and saving as PDF or DOCX available (menu items and shortcuts)
  // or not; not available until the first call.
  virtual void enableDocumentActions(bool enabled) = 0;
  // The system print dialog for `job`, its page setup on the job's paper;
  // the pages are drawn through the job. `failed` runs when printing failed
  // (not when the user cancelled), at most once.
  virtual void showPrintDialog(std::shared_ptr<PrintJob> job, std::function<void()> failed) = 0;
  // A dialog that asks where to save a file of the request's format (files
  // of that format listed); `chosen` runs with the path picked, not at all
  // when the user cancels.
  virtual void chooseSavePath(const SaveRequest& request,
                              std::function<void(const std::string& path)> chosen) = 0;
  // A dialog that asks which .udf file to open, starting in `folder` (empty:
  // the dialog's own choice); `chosen` as above.
  virtual void chooseUDFPath(const std::string& folder,
                             std::function<void(const std::string& path)> chosen) = 0;
  // Calls `changed` when the file at `path` is written, replaced or made
  // anew, until the next call (an empty path watches nothing).
  virtual void watchFile(const std::string& path, std::function<void()> changed) = 0;
  // Records a file shown in the desktop's list of recently used files.
  virtual void addRecent(const std::string& path) = 0;
  // Runs `work` on a background thread, then `done` with its result on the
  // main thread.
  virtual void runInBackground(std::function<bool()> work, std::function<void(bool)> done) = 0;
};

}  // namespace maravel
