#include "paper/pdf_writer.hpp"

#include <utility>

#include "paper/page_layout.hpp"
#include "paper/page_painter.hpp"

namespace maravel {

bool PdfWriter::write(const UDFDocument& doc, const std::string& title, drawing::PdfDocument::Sink sink,
                      std::size_t fileBytes, std::string* failure) {
  drawing::PdfDocument pdf(std::move(sink), title, drawing::CanvasResources::picturePixelsFor(fileBytes));
  // Each page is drawn as soon as it is laid out, and its header and footer
  // once the page count is known: the document is never held as pages.
  FontBook fonts;
  PageLayout::layoutPages(
      doc, fonts, fileBytes,
      [&pdf](PaperPage&& page) {
        PagePainter::paint(page, pdf.beginPage({page.width, page.height}));
      },
      [&pdf](int number, PaperMarks&& regions) {
        if (regions.empty()) return;
        if (drawing::PageCanvas* canvas = pdf.continuePage(static_cast<std::size_t>(number - 1)))
          PagePainter::paint(PaperPage{number, 0, 0, std::move(regions)}, *canvas);
      });
  const bool written = pdf.finish();
  if (!written && failure != nullptr) *failure = pdf.failure();
  return written;
}

}  // namespace maravel
