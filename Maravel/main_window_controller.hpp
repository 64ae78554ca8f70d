// The window's behaviour: what it shows at start, how a document is shown,
// printed and saved as PDF, and the installation check, extension
// activation and refresh that fill the status line. The widgets are behind
// WindowSurface; nothing here needs a display.
//
// Everything runs on the main thread except the registration and check,
// which activateExtensions() hands to the surface's background thread, and
// the writing of a PDF; each result comes back as one truth value. Held by a
// shared_ptr (create()): the window's callbacks and those results hold it
// weakly, so a window closed meanwhile is never touched.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Maravel/extension_activation.hpp"
#include "Maravel/host_installation.hpp"
#include "Maravel/open_failure.hpp"
#include "Maravel/window_surface.hpp"
#include "model/udf_document.hpp"

namespace maravel {

class MainWindowController : public std::enable_shared_from_this<MainWindowController> {
 public:
  // Preview extension first, thumbnail extension second.
  static const std::vector<std::string>& extensionIDs();

  // Takes the surface, then runs setupUI().
  static std::shared_ptr<MainWindowController> create(std::unique_ptr<WindowSurface> surface,
                                                      HostInstallation installation, ToolRunner runner);

  // Builds the views, sets the title and the "checking" status and loads the
  // welcome page.
  void setupUI();

  // Every way a file comes in (command line, file manager, drop, "Aç…"): a
  // name that is not a .udf file's is refused with a red status naming it
  // and changes nothing else; any other file goes to loadUDF().
  void openFile(const std::string& path);

  // Shows that the file is being opened (title, grey status; printing and
  // saving unavailable until it is shown), reads and parses it in the
  // background, then shows the document, titled after the file, with a
  // green "previewing" status; the parsed document is kept for printing and
  // saving, which become available. A file that cannot be read or holds no
  // document replaces what was shown by the view saying why (OpenFailure),
  // with the red "unreadable" status and nothing to print or save. A file
  // opened while another is still being read wins: the earlier one is
  // never shown.
  void loadUDF(const std::string& path);

  // Opens the file last asked for again (F5, or the file changed on disk);
  // nothing before the first.
  void reload();

  // The "Aç…" dialog, in the shown document's folder; the file picked goes
  // to openFile().
  void chooseFileToOpen();

  // Opens the print dialog for the kept document, laid out anew with the
  // PDF's layout; nothing while no document is kept.
  void printDocument();

  // Asks where to save the kept document as PDF or as an editable Word copy
  // (SaveRequest::forDocument), then writes the file in the background,
  // replacing it whole or not at all, and reports in the status line;
  // nothing while no document is kept.
  void saveAs(SaveFormat format);

  // "İmzaları Çevrimiçi Denetle": checks the shown document's signature
  // again in the background, fetching missing issuing certificates and
  // asking for revocation, then shows the page with what was learned (when
  // the same document is still shown). Nothing for an unsigned document.
  void checkSignaturesOnline();

  // Installed system-wide: checkSystemWide(); installed for the user:
  // activateExtensions(); otherwise showNotInstalledAlert().
  void checkInstallation();

  // Reads in the background whether the system-wide MIME type, desktop
  // entry and thumbnailer are in place and shows the outcome; runs no tool
  // and writes nothing.
  void checkSystemWide();

  // Starts the registration and check in the background and returns; the
  // status line shows the outcome when it comes back.
  void activateExtensions();

  // Orange status and, when there is a window, the modal alert; closing it
  // quits. No tool is run.
  void showNotInstalledAlert();

  // Runs "qlmanage -r" on the calling thread, then shows the green refresh
  // status whether or not the tool could run.
  void refreshQuickLook();

  WindowSurface& surface() { return *surface_; }

  // No file was ever asked for in this window.
  bool hasShownNothing() const { return opening_ == 0; }

 private:
  MainWindowController(std::unique_ptr<WindowSurface> surface, HostInstallation installation,
                       ToolRunner runner);

  // The document on screen with the path and name it was opened under.
  struct ShownDocument {
    std::shared_ptr<const UDFDocument> document;
    std::string path;
    std::string fileName;
    std::size_t fileBytes = 0;  // bounds the pictures on paper
  };

  // Shows the file read for the latest loadUDF(): the document, or why
  // there is none; watches the file and records it as recently used.
  void show(const std::shared_ptr<const UDFDocument>& document, std::size_t fileBytes,
            const OpenFailure& failure, const std::string& path, const std::string& fileName);

  // Writes the shown document to `path` in `format` and says so.
  void write(const ShownDocument& shown, SaveFormat format, const std::string& path);

  std::unique_ptr<WindowSurface> surface_;
  std::optional<ShownDocument> shown_;
  std::uint64_t opening_ = 0;
  std::string
      asked_;  // the path of the file last asked for  // counts the files asked for; the latest is shown
  HostInstallation installation_;
  ToolRunner runner_;
};

}  // namespace maravel
