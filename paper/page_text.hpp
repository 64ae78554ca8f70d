// The text of one laid-out page in reading order, with where each of its
// characters stands on the page: what the window's find and copy work on.
//
// The page's texts join in the order the layout made them (the body line by
// line, then the header and the footer). A text on the baseline of the one
// before it follows it directly, or after a tab when a gap of more than half
// its size lies between them (a tab stop); a text on another baseline
// starts a new line. Pure; never fails.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "paper/paper_document.hpp"
#include "platform/drawing/drawing_context.hpp"

namespace maravel {

class PageText {
 public:
  // The text of `marks` (usually a page's), which must outlive the result.
  explicit PageText(const PaperMarks& marks);

  // Lines end in "\n", tab stops are "\t"; the marks' texts in between.
  const std::string& text() const { return text_; }

  // The advance, in points, of `prefix` (a start of `mark`'s text) set in
  // the mark's face without the justification's extra space: how a page
  // measures marks held without their glyphs.
  using Measure = std::function<double(const PaperText& mark, std::string_view prefix)>;

  // The boxes on the page that show text()[from, to): one for each piece
  // of text the range touches, from the top of its face to below its
  // baseline. Separators (tabs, line ends) take no box.
  std::vector<drawing::Rect> boxes(std::size_t from, std::size_t to, const Measure& measure = {}) const;

  // The offset in text() of the character nearest to `point` on the page
  // (its left half before it, its right half after it); the end of the
  // nearest line when the point lies past it.
  std::size_t offsetAt(drawing::Point point, const Measure& measure = {}) const;

  // Where the caret before byte `offset` of `text` stands, in page points:
  // from the glyphs the layout shaped when it kept them; otherwise from
  // `measure`, fitted to the width the layout gave the text; without
  // either, in proportion to the characters before it.
  static double caretX(const PaperText& text, std::size_t offset, const Measure& measure = {});

 private:
  struct Piece {
    std::size_t start = 0;  // of the piece's text in text_
    const PaperText* mark = nullptr;
  };
  std::string text_;
  std::vector<Piece> pieces_;
};

}  // namespace maravel
