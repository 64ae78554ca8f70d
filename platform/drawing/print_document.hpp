// A print job's pages, each drawn with a PageCanvas on the cairo context
// that the print system hands over for it (GTK's draw-page), all pages
// sharing one set of fonts and pictures.
//
// One document per thread; nothing throws.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/drawing/page_canvas.hpp"

namespace maravel::drawing {

class PrintDocument {
 public:
  // Its pictures decode to at most `picturePixels` pixels (see CanvasResources).
  explicit PrintDocument(std::uint64_t picturePixels = CanvasResources::kPictureAllowance)
      : resources_(picturePixels) {}
  PrintDocument(const PrintDocument&) = delete;
  PrintDocument& operator=(const PrintDocument&) = delete;

  // Starts a page of `page` size on `cairoContext`, a cairo_t* in points
  // with its origin at the sheet's top-left corner, on a sheet of `sheet`
  // size. A page larger than the sheet (by more than a point) is scaled
  // down to fit, proportions kept; the page is centred on the sheet. The
  // context stays the caller's and keeps the scaling; the canvas is valid
  // until the next page starts.
  PageCanvas& beginPage(void* cairoContext, Size page, Size sheet);

 private:
  CanvasResources resources_;
  std::optional<PageCanvas> canvas_;
};

}  // namespace maravel::drawing
