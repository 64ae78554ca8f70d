// The one-line messages of the window's two status lines and the colour each
// is shown in. Every text begins with its sign: "●" state, "✓" success, "⚠️"
// problem.
#pragma once

#include <string>
#include <string_view>

namespace maravel {

enum class StatusColour { secondary, success, error, warning };

// The style class that gives a status line the colour: the window's own
// secondary, success, error and warning text colours, each readable at
// 4.5:1 or more on the light and the dark window background.
std::string_view cssClass(StatusColour colour);

// Where a message goes. The document line reports what happened to the file
// the user asked for (shown, unreadable, refused, printed, saved); the
// extensions line reports the installation check, the extensions and the
// thumbnail cache. Each line keeps its last message, so the check finishing
// late never hides the outcome of a file.
enum class StatusLine { document, extensions };

struct StatusMessage {
  std::string text;
  StatusColour colour = StatusColour::secondary;
  StatusLine line = StatusLine::document;

  // Shown on the extensions line from the moment the window is built until
  // the check reports.
  static StatusMessage checking();
  // A document was shown, could not be, or was refused for its name:
  // `fileName` is its last path component.
  static StatusMessage previewing(std::string_view fileName);
  static StatusMessage unreadable(std::string_view fileName);
  // The file is being read and laid out.
  static StatusMessage opening(std::string_view fileName);
  static StatusMessage notUDF(std::string_view fileName);
  // The outcome of registering and checking the two extensions.
  static StatusMessage extensionsActive();
  static StatusMessage extensionsOff();
  // Started from outside the install prefixes.
  static StatusMessage notInstalled();
  // The refresh button was pressed.
  static StatusMessage cacheRefreshed();
  // Saving the shown document as a PDF file or a Word copy named `fileName`
  // worked or did not; printing it failed (a cancelled print says nothing).
  static StatusMessage pdfSaved(std::string_view fileName);
  static StatusMessage pdfNotSaved(std::string_view fileName);
  static StatusMessage docxSaved(std::string_view fileName);
  static StatusMessage docxNotSaved(std::string_view fileName);
  static StatusMessage printFailed(std::string_view fileName);

  friend bool operator==(const StatusMessage&, const StatusMessage&) = default;
};

}  // namespace maravel
