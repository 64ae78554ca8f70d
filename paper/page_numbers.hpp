// Page lines in headers and footers. The editor saves a footer's page line
// as the text it showed, "Sayfa 1" or "Sayfa 1 / 1" (or a paragraph of just
// "1" or "1 / 1"); on paper every page shows its own number there, and the
// page count in place of the second number, with the document's separator
// and spacing kept as written. A footer that carries its page number as
// attributes (PageNumberFormat) gets a line of its own instead.
//
// Internal to paper/. Pure functions of the model.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel {

class PageNumbers {
 public:
  // Where one page line's numbers stand in a paragraph's text, in bytes:
  // the page number, and the page count when the line shows one.
  struct Line {
    std::size_t pageBegin = 0, pageEnd = 0;
    std::optional<std::pair<std::size_t, std::size_t>> total;
  };

  // The page lines of a paragraph's text (as fullText() gives it).
  static std::vector<Line> find(std::string_view text);

  // True when some paragraph of the elements, at any table depth, holds a
  // page line.
  static bool present(const std::vector<DocumentElement>& elements);

  // Which elements of a header or footer show each page's own numbers:
  // those holding a page line, while their run text together (at every
  // table depth) stays within PageLayout::kMaxNumberedRegionBytes; the
  // later ones keep their page lines as written, so that a small file
  // cannot make every page lay out thousands of them (nor a Word copy hold
  // thousands of fields). One flag per element.
  static std::vector<bool> numbered(const std::vector<DocumentElement>& elements);

  // The elements with every page line showing `page` and `total`.
  static std::vector<DocumentElement> apply(const std::vector<DocumentElement>& elements, int page,
                                            int total);

  // The page number line of page `page` (from 1) of `total`: one paragraph
  // in the format's alignment holding its text in its face, size, weight,
  // slant and colour (black when it gives none).
  static ParagraphItem line(const PageNumberFormat& format, int page, int total);
};

}  // namespace maravel
