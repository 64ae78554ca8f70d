// The menu bar as data: each menu with its items, the action each item
// triggers and its keyboard shortcut. The GTK side turns it into a menu
// model; a new menu is one more entry here plus the action it names.
#pragma once

#include <string>
#include <vector>

namespace maravel {

struct MenuItem {
  std::string label;
  std::string action;       // "app.<name>" for the application, "win.<name>" for the window
  std::string accelerator;  // GTK accelerator syntax, e.g. "<Control>q"; empty for none

  friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

struct Menu {
  std::string title;
  std::vector<MenuItem> items;

  friend bool operator==(const Menu&, const Menu&) = default;
};

class MainMenu {
 public:
  static const std::vector<Menu>& menus();

  // Action names without their "app." or "win." scope.
  static constexpr const char* kQuit = "quit";
  static constexpr const char* kOpen = "open";
  static constexpr const char* kPrint = "print";
  static constexpr const char* kSavePDF = "save-pdf";
  static constexpr const char* kSaveDocx = "save-docx";
  // Fetches what the signers' chains miss and asks for revocation: the
  // window's only way onto the network.
  static constexpr const char* kCheckSignaturesOnline = "check-signatures-online";
  static constexpr const char* kCopy = "copy";
  static constexpr const char* kSelectAll = "select-all";
  static constexpr const char* kFind = "find";
  static constexpr const char* kFindNext = "find-next";
  static constexpr const char* kFindPrevious = "find-previous";
  static constexpr const char* kView = "view";  // stateful: "pages" or "web"
  static constexpr const char* kZoomIn = "zoom-in";
  static constexpr const char* kZoomOut = "zoom-out";
  static constexpr const char* kZoomReset = "zoom-reset";
  static constexpr const char* kFitWidth = "fit-width";
  static constexpr const char* kFitPage = "fit-page";
  static constexpr const char* kGoToPage = "go-to-page";
  static constexpr const char* kReload = "reload";
  static constexpr const char* kClose = "close";
  static constexpr const char* kFullscreen = "fullscreen";
  static constexpr const char* kShortcuts = "shortcuts";
  static constexpr const char* kAbout = "about";
};

}  // namespace maravel
