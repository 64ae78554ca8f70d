// A PDF file written page by page through cairo's PDF surface; each page is
// drawn with a PageCanvas. Fonts are embedded as subsets.
//
// One document per thread; nothing throws. Bytes go to the sink as cairo
// produces them; finish() reports whether everything reached it.
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

  // Starts a page of the size in points; the canvas is valid until the next
  // page starts or the document finishes.
  PageCanvas& beginPage(Size size);

  // Ends the last page and the file; true when every byte reached the sink
  // and cairo reported no error. Later calls do nothing and give false.
  bool finish();

  // After finish() gave false: why, in cairo's words ("invalid matrix (not
  // invertible)"), or "the sink refused bytes".
  const std::string& failure() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace maravel::drawing
