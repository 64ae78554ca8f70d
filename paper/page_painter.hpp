// Draws laid-out pages on a canvas: the same for a PDF file and for a print
// job's pages.
#pragma once

#include "paper/paper_document.hpp"
#include "platform/drawing/page_canvas.hpp"

namespace maravel {

class PagePainter {
 public:
  // Every mark of the page, boxes first, then pictures, texts and rules.
  // The document the page was laid out from must still be alive.
  static void paint(const PaperPage& page, drawing::PageCanvas& canvas);
};

}  // namespace maravel
