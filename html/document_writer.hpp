// Writes the document's content as HTML: paragraphs with computed tab boxes,
// tables row by row, header and footer regions, and the generated style
// classes they use.
//
// One DocumentWriter per page, on one thread. It only reads the model it is
// given and borrows the FontBook, which must outlive it. A page budget bounds
// what it writes: a paragraph is cut where its text, tab boxes and pictures
// would pass the bytes left, and no element or table row is written once
// none are left. The class tables
// (classNames, classCSS, darkCSS) grow while content is written; the page
// writer copies classCSS and darkCSS into the stylesheet afterwards. No
// operation fails: every input, however odd, gives well-formed HTML in which
// nothing from the document can leave the element or string it is written
// into.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "html/font_book.hpp"
#include "html/paragraph_layout.hpp"
#include "model/udf_document.hpp"

namespace maravel {

class DocumentWriter {
 public:
  explicit DocumentWriter(FontBook& fonts, std::size_t pageBudget = std::numeric_limits<std::size_t>::max())
      : fonts(fonts), pageBytesLeft_(pageBudget) {}

  FontBook& fonts;
  // Class key (declarations + "|" + dark override) to class name "sN".
  std::unordered_map<std::string, std::string> classNames;
  // One rule ".sN{...}\n" per class, in order of creation.
  std::string classCSS;
  // One dark-appearance rule per class that has an override.
  std::string darkCSS;

  // --- Run styling ---------------------------------------------------------

  // The class for a declaration list and its optional dark override; the
  // same pair always gives the same class, a new pair the next "sN".
  std::string styleClass(const std::string& css, const std::optional<std::string>& dark);

  // The class for a run's character formatting (family, size, weight,
  // slant, decorations, vertical position, readable colours).
  std::string runClass(const TextRun& run);

  // A number rounded half away from zero to two decimals, in the shortest
  // fixed-point text ("595.28", "12", "-0.75"; negative zero gives "0").
  // Total: NaN and infinities give "0"; rounded magnitudes of 2^63 or more
  // are clamped to +-9223372036854774784, the largest double below 2^63.
  static std::string fmt(double value);

  // A length in points: "0" for exactly 0, else "calc(N*var(--u))".
  static std::string u(double points);

  // --- Paragraphs ----------------------------------------------------------

  // One piece of a paragraph in reading order (see ParagraphLayout).
  using Segment = ParagraphLayout::Segment;
  using FollowingWidth = ParagraphLayout::FollowingWidth;

  // The paragraph as one `p` element laid out for `width` points, cut to
  // the page bytes left.
  std::string paragraph(const ParagraphItem& p, double width);

  // The width of what follows the tab segment at `after` up to the next
  // tab, and the width up to the first "." in it (`full` when there is none).
  FollowingWidth followingWidth(const std::vector<Segment>& segments, std::size_t after);

  // --- Blocks and tables ---------------------------------------------------

  // Each element followed by a line feed; tables row by row. Tables nested
  // deeper than kMaxTableDepth are left out.
  std::string render(const std::vector<DocumentElement>& elements, double width, bool framed);

  // A header or footer block: `<div class="className">` around the content,
  // with the region colour when it is neither near black nor near white.
  std::string region(const std::vector<DocumentElement>& elements, double width,
                     std::optional<std::uint32_t> color, const std::string& className);

  // True when some paragraph, at any table depth up to kMaxTableDepth, has an
  // image or text that is not only white space and line breaks.
  static bool hasVisibleContent(const std::vector<DocumentElement>& elements);

  static constexpr int kMaxTableDepth = 64;

 private:
  std::string fontDeclarations(const std::string& family, double size);
  static TextRun formatOf(const TextRun& run);
  std::string newRunClass(const TextRun& run);
  std::string paragraphClass(const ParagraphItem& p);
  std::string newParagraphClass(const ParagraphItem& p);
  std::string listMarker(const ParagraphItem& p, const std::string& marker);
  std::string table(const TableItem& table, double width, bool framed);
  std::string row(const TableItem& table, const std::vector<double>& tails, const TableRow& row,
                  std::size_t r, std::size_t rowCount, double width, bool framed);

  // The paragraph as far as `budget` bytes of page show it, or nothing when
  // they show all of it.
  static std::optional<ParagraphItem> shortened(const ParagraphItem& p, std::size_t budget);
  void spend(std::size_t bytes) { pageBytesLeft_ -= std::min(bytes, pageBytesLeft_); }

  int tableDepth_ = 0;
  std::size_t pageBytesLeft_;
  std::size_t measuredBytesLeft_ = ParagraphLayout::kMeasuredTextBytes;
  // The classes of the last few run formats: neighbouring runs mostly share
  // one, and each class costs a family lookup and a declaration list.
  struct RecentRunClass {
    TextRun format;  // text and image left empty
    std::string name;
  };
  static constexpr std::size_t kRecentRunClasses = 4;
  std::vector<RecentRunClass> recentRunClasses_;
  std::size_t nextRecentRunClass_ = 0;
  // The same for paragraphs, keyed by everything paragraphClass reads, the
  // numbers bit for bit; a document's paragraphs mostly share a few.
  struct ParagraphFormat {
    TextAlignment alignment;
    std::array<std::uint64_t, 8> numbers;  // indents, spacing, the base run's size
    std::string family;                    // the base run's
    bool operator==(const ParagraphFormat&) const = default;
  };
  static ParagraphFormat paragraphFormat(const ParagraphItem& p);
  std::vector<std::pair<ParagraphFormat, std::string>> recentParagraphClasses_;
  std::size_t nextRecentParagraphClass_ = 0;
};

// The low 24 bits of a colour as "#RRGGBB" in upper-case hexadecimal.
std::string hexColor(std::uint32_t rgb);

// The largest and the smallest of a colour's red, green and blue components.
unsigned largestComponent(std::uint32_t rgb);
unsigned smallestComponent(std::uint32_t rgb);

}  // namespace maravel
