// The fixed texts of the window besides its status messages (status_message)
// and its menus (main_menu): the title, the labels of the header band and
// the drop zone, the welcome page and the not-installed alert. They name the
// desktop's own facilities: the file manager, "Maravel ile Aç" (Open With),
// thumbnails and the install prefixes.
#pragma once

#include <string>
#include <string_view>

#include "Maravel/status_message.hpp"
#include "model/udf_document.hpp"

namespace maravel {

// The modal message shown when the application is not installed.
struct AlertText {
  std::string message;
  std::string informative;
  std::string button;

  friend bool operator==(const AlertText&, const AlertText&) = default;
};

// The line the page view draws above the first page of a signed document,
// in the colour of its outcome; empty for an unsigned one.
struct SignatureBadge {
  std::string text;
  StatusColour colour = StatusColour::secondary;

  friend bool operator==(const SignatureBadge&, const SignatureBadge&) = default;
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

  // The page shown until the first document (UTF-8 HTML), and its words
  // as the page view's welcome shows them.
  static std::string_view welcomePage();
  static const char* welcomeHeading();
  static const char* welcomeText();

  static AlertText notInstalledAlert();

  // The signature's outcome in the words of the preview page's badge, with
  // the signer (or the number of signers) and the date.
  static SignatureBadge signatureBadge(const SignatureInfo& signature);

  // `text` as a screen reader should say it: without the pictographs that
  // mark it for the eye ("✓", "⚠️", "●", emoji) and the spaces they leave.
  static std::string spoken(std::string_view text);

  // The header band's "Sayfa N / M" ("M+" while pages are still coming).
  static std::string pageOf(std::size_t page, std::size_t count, bool complete);
  // The find bar's count: "N / M", or that nothing was found.
  static std::string matchCount(std::size_t current, std::size_t count);
};

}  // namespace maravel
