// One paragraph broken into lines the way the browser fills the page's `p`
// element: the same tab widths as the page (ParagraphLayout), line breaks
// where the browser makes them (BrowserLineRules: its break opportunities
// and its widths; spaces hang at the end of a wrapped line, a word wider
// than the line is broken anywhere), the paragraph's indents and
// alignment (justified lines widen their spaces; the first line up to its
// last tab is kept out of justification), line heights from the fonts'
// ascent, descent and line gap or from the line spacing factor, and the
// list marker in front of the first line.
//
// Internal to paper/. One LineLayout per document and thread; it borrows
// the font book and the break iterator.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "html/font_book.hpp"
#include "model/udf_document.hpp"
#include "paper/paper_document.hpp"
#include "platform/breaks/line_breaks.hpp"

namespace maravel {

// One line box: its marks with y from the line's top and x from the left
// edge of the width the paragraph was laid out in.
struct PaperLine {
  double height = 0;
  PaperMarks marks;
};

struct PaperParagraph {
  double spaceAbove = 0;         // above the first line, never negative
  double spaceBelow = 0;         // below the last line, never negative
  std::vector<PaperLine> lines;  // at least one
  bool cut = false;              // true when lines beyond the most asked for were left out
};

class LineLayout {
 public:
  LineLayout(FontBook& fonts, breaks::LineBreaks& breaks) : fonts_(fonts), breaks_(breaks) {}

  // The paragraph laid out in `width` points, at most `maxLines` lines of
  // it (at least one) and its first `maxBytes` bytes of run text (as
  // ParagraphLayout::segments counts them). `regionColor` is the header's
  // or footer's colour, which text without a colour of its own takes.
  PaperParagraph layout(const ParagraphItem& p, double width, std::optional<std::uint32_t> regionColor,
                        std::size_t maxLines, std::size_t maxBytes = static_cast<std::size_t>(-1));

 private:
  FontBook& fonts_;
  breaks::LineBreaks& breaks_;
};

// The colour text is drawn in, as the page shows it in light appearance: the
// run's colour unless it is near black, else the region's unless that is
// near white, else the run's or black.
std::uint32_t textColor(const TextRun& run, std::optional<std::uint32_t> regionColor);

}  // namespace maravel
