// The one-line messages of the window's status label and the colour each is
// shown in. Every text begins with its sign: "●" state, "✓" success, "⚠️"
// problem.
#pragma once

#include <string>
#include <string_view>

namespace maravel {

enum class StatusColour { secondary, success, error, warning };

// The style class that gives the status label the colour: the theme's dimmed
// label, or its success, error and warning colours.
std::string_view cssClass(StatusColour colour);

struct StatusMessage {
  std::string text;
  StatusColour colour = StatusColour::secondary;

  // Shown from the moment the window is built until the extension check
  // reports.
  static StatusMessage checking();
  // A document was shown, or could not be: `fileName` is its last path
  // component.
  static StatusMessage previewing(std::string_view fileName);
  static StatusMessage unreadable(std::string_view fileName);
  // The outcome of registering and checking the two extensions.
  static StatusMessage extensionsActive();
  static StatusMessage extensionsOff();
  // Started from outside the install prefixes.
  static StatusMessage notInstalled();
  // The refresh button was pressed.
  static StatusMessage cacheRefreshed();
  // Saving the shown document as a PDF file named `fileName` worked or did
  // not; printing it failed (a cancelled print says nothing).
  static StatusMessage pdfSaved(std::string_view fileName);
  static StatusMessage pdfNotSaved(std::string_view fileName);
  static StatusMessage printFailed(std::string_view fileName);

  friend bool operator==(const StatusMessage&, const StatusMessage&) = default;
};

}  // namespace maravel
