// A PDF file written page by page; each page is drawn with a PageCanvas.
// Text stays text: every face is embedded once as a subset of the glyphs
// shown, with each glyph's text, so that the file can be searched and
// copied. A picture drawn on many pages is embedded once.
//
// One document per thread; nothing throws. A page's content goes to the
// sink when the next page begins or continues; the fonts, which must know
// every glyph used, and the file's tables go when it finishes. finish() reports whether
// everything reached the sink.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/drawing/page_canvas.hpp"

namespace maravel::drawing {

class PdfDocument {
 public:
  // Takes the next piece of the file; false stops the writing.
  using Sink = std::function<bool(std::span<const std::uint8_t>)>;

  // `title` goes into the document's information dictionary; its pictures
  // decode to at most `picturePixels` pixels (see CanvasResources).
  PdfDocument(Sink sink, const std::string& title,
              std::uint64_t picturePixels = CanvasResources::kPictureAllowance);
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // Starts a page of the size in points (at least 1 by 1); the canvas is
  // valid until the next page starts or the document finishes.
  PageCanvas& beginPage(Size size);

  // Draws more on page `index` (from 0) of those begun, over what it holds,
  // so that what needs the page count (a footer's "3 / 12") can be drawn
  // after the last page; the canvas is valid as beginPage's is. Null for a
  // page not begun, and after finish().
  PageCanvas* continuePage(std::size_t index);

  // Ends the last page (an empty A4 page when none began) and the file;
  // true when every byte reached the sink. Later calls do nothing and give
  // false.
  bool finish();

  // After finish() gave false: why ("the sink refused bytes").
  const std::string& failure() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace maravel::drawing
