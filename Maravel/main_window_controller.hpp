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

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Maravel/extension_activation.hpp"
#include "Maravel/host_installation.hpp"
#include "Maravel/window_surface.hpp"
#include "model/udf_document.hpp"

namespace maravel {

class MainWindowController : public std::enable_shared_from_this<MainWindowController> {
 public:
  // Preview extension first, thumbnail extension second.
  static const std::vector<std::string>& extensionIDs();

  // The page shown until the first document: 625 bytes of UTF-8.
  static std::string_view welcomePage();

  static AlertText notInstalledAlert();

  // Takes the surface, then runs setupUI().
  static std::shared_ptr<MainWindowController> create(std::unique_ptr<WindowSurface> surface,
                                                      HostInstallation installation, ToolRunner runner);

  // Builds the views, sets the "checking" status and loads the welcome page.
  void setupUI();

  // Reads, parses and renders the file and shows the page with a green
  // "previewing" status; the parsed document is kept for printing and
  // saving, which become available. A file that cannot be read or holds no
  // document gets the red "unreadable" status and leaves the page as it
  // was, but printing and saving become unavailable: the status line names
  // a file that is not there to print.
  void loadUDF(const std::string& path);

  // Opens the print dialog for the kept document, laid out anew with the
  // PDF's layout; nothing while no document is kept.
  void printDocument();

  // Asks where to save the kept document as PDF (SaveRequest::forDocument),
  // then writes the file in the background, replacing it whole or not at
  // all, and reports in the status line; nothing while no document is kept.
  void saveAsPDF();

  // Installed: activateExtensions(); otherwise showNotInstalledAlert().
  void checkInstallation();

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

  // Writes the shown document to `path` and says so.
  void writePDF(const ShownDocument& shown, const std::string& path);
  // Drops the kept document; printing and saving become unavailable.
  void forgetShownDocument();

  std::unique_ptr<WindowSurface> surface_;
  std::optional<ShownDocument> shown_;
  HostInstallation installation_;
  ToolRunner runner_;
};

}  // namespace maravel
