#include "paper/page_band.hpp"

#include <iterator>
#include <limits>

#include "html/document_writer.hpp"
#include "html/html_renderer.hpp"
#include "paper/page_flow.hpp"
#include "paper/page_layout.hpp"
#include "paper/page_numbers.hpp"
#include "platform/text/text.hpp"

namespace maravel {

namespace {

// At most PageLayout::kMaxPrintedText characters of a text from the
// document, with an ellipsis when it was cut.
std::string shortened(const std::string& text) {
  std::string kept = text::prefixGraphemes(text, PageLayout::kMaxPrintedText);
  if (kept.size() < text.size()) kept += "…";
  return kept;
}

}  // namespace

PageBand::PageBand(const std::vector<DocumentElement>& elements, std::optional<std::uint32_t> color,
                   bool numbersText)
    : elements_(elements),
      color_(color),
      visible_(DocumentWriter::hasVisibleContent(elements)),
      numbered_(visible_ && numbersText && PageNumbers::present(elements)) {}

void PageBand::addPageNumber(const PageNumberFormat& format) {
  pageNumber_ = format;
  pageNumber_->prefix = shortened(format.prefix);
  pageNumber_->separator = shortened(format.separator);
}

void PageBand::addVerificationLine(const std::string& code) {
  TextRun run;
  run.text = std::string(UDFHTMLRenderer::kVerificationTitle) + " · " + UDFHTMLRenderer::kCodeLabel + " " +
             shortened(code) + " · " + UDFHTMLRenderer::kVerificationHost +
             UDFHTMLRenderer::kVerificationNote;
  run.fontFamily = "Arial";
  run.fontSize = PageLayout::kVerificationSize;
  run.foreground = PageLayout::kVerificationColor;
  ParagraphItem p;
  p.alignment = TextAlignment::center;
  p.runs.push_back(std::move(run));
  lines_.emplace_back(std::move(p));
}

std::vector<PaperBlock> PageBand::layout(BlockLayout& blocks, double width, int page, int total) const {
  blocks.setLineBudget(PageLayout::kMaxRegionLines);
  std::vector<PaperBlock> laid;
  if (visible_) {
    laid = numbered_ ? blocks.layout(PageNumbers::apply(elements_, page, total), width, color_)
                     : blocks.layout(elements_, width, color_);
  }
  // Paper's own lines are drawn in their own colours, not the region's.
  std::vector<DocumentElement> own;
  if (pageNumber_) own.emplace_back(PageNumbers::line(*pageNumber_, page, total));
  own.insert(own.end(), lines_.begin(), lines_.end());
  if (!own.empty()) {
    std::vector<PaperBlock> added = blocks.layout(own, width, std::nullopt);
    laid.insert(laid.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
  }
  return laid;
}

double PageBand::height(BlockLayout& blocks, double width) const {
  if (!visible()) return 0;
  return stackedHeight(layout(blocks, width, 1, 1));
}

double PageBand::marks(BlockLayout& blocks, double width, int page, int total, PaperMarks& out) const {
  std::vector<PaperBlock> laid = layout(blocks, width, page, total);
  std::size_t next = 0;
  return PageFlow::fill(laid, next, std::numeric_limits<double>::infinity(), true, out);
}

}  // namespace maravel
