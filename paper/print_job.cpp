#include "paper/print_job.hpp"

#include <utility>

#include "paper/page_layout.hpp"
#include "paper/page_painter.hpp"

namespace maravel {

PrintJob::PrintJob(std::shared_ptr<const UDFDocument> doc, std::string title, std::size_t fileBytes)
    : doc_(std::move(doc)),
      title_(std::move(title)),
      layout_(PageLayout::layout(*doc_, fileBytes)),
      pages_(drawing::CanvasResources::picturePixelsFor(fileBytes)) {}

PrintPaper PrintJob::paper() const {
  const PageProperties& page = doc_->pageProps;
  return {page.isA5() ? "iso_a5" : "iso_a4", page.isLandscape()};
}

void PrintJob::drawPage(int index, void* cairoContext, drawing::Size sheet) {
  if (index < 0 || index >= pageCount()) return;
  const PaperPage& page = layout_.pages[static_cast<std::size_t>(index)];
  PagePainter::paint(page, pages_.beginPage(cairoContext, {page.width, page.height}, sheet));
}

}  // namespace maravel
