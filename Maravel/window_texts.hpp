// The fixed texts of the window besides its status messages (status_message)
// and its menus (main_menu): the title, the labels of the header band and
// the drop zone, the welcome page and the not-installed alert. They name the
// desktop's own facilities: the file manager, "Maravel ile Aç" (Open With),
// thumbnails and the install prefixes.
#pragma once

#include <string>
#include <string_view>

namespace maravel {

// The modal message shown when the application is not installed.
struct AlertText {
  std::string message;
  std::string informative;
  std::string button;

  friend bool operator==(const AlertText&, const AlertText&) = default;
};

class WindowTexts {
 public:
  // "NAME — Maravel" while the document named NAME is shown,
  // "Maravel (Önizleme)" for an empty name (before the first document).
  static std::string windowTitle(std::string_view fileName);

  // The header band's title label and refresh button, and the drop zone's
  // hint.
  static const char* titleLabel();
  static const char* refreshButton();
  static const char* dropHint();

  // The page shown until the first document (UTF-8 HTML).
  static std::string_view welcomePage();

  static AlertText notInstalledAlert();
};

}  // namespace maravel
