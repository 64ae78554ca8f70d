#include "paper/pdf_writer.hpp"

#include <utility>

#include "paper/page_layout.hpp"
#include "paper/page_painter.hpp"

namespace maravel {

bool PdfWriter::write(const UDFDocument& doc, const std::string& title, drawing::PdfDocument::Sink sink,
                      std::size_t fileBytes, std::string* failure) {
  const PaperDocument paper = PageLayout::layout(doc, fileBytes);
  drawing::PdfDocument pdf(std::move(sink), title, drawing::CanvasResources::picturePixelsFor(fileBytes));
  for (const PaperPage& page : paper.pages) {
    drawing::PageCanvas& canvas = pdf.beginPage({page.width, page.height});
    PagePainter::paint(page, canvas);
  }
  const bool written = pdf.finish();
  if (!written && failure != nullptr) *failure = pdf.failure();
  return written;
}

}  // namespace maravel
