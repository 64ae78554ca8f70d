#include "paper/page_band.hpp"

#include <iterator>
#include <limits>
#include <unordered_map>

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

// The element's pictures in reading order, at every table depth.
void collectPictures(const DocumentElement& element, std::vector<const InlineImage*>& out) {
  if (const ParagraphItem* p = element.paragraph()) {
    for (const TextRun& run : p->runs)
      if (run.image) out.push_back(&*run.image);
  } else if (const TableItem* table = element.table()) {
    for (const TableRow& row : table->rows)
      for (const TableCell& cell : row.cells)
        for (const DocumentElement& inner : cell.elements) collectPictures(inner, out);
  }
}

void repoint(std::vector<PaperBlock>& blocks,
             const std::unordered_map<const InlineImage*, const InlineImage*>& to) {
  for (PaperBlock& block : blocks) {
    for (PaperPicture& picture : block.marks.pictures) {
      if (auto found = to.find(picture.image); found != to.end()) picture.image = found->second;
    }
    for (PaperCell& cell : block.cells) repoint(cell.blocks, to);
  }
}

// Marks laid out from a numbered copy of an element point at the copy's
// pictures, which live only as long as the layout: they are pointed at the
// element's own, which live as long as the document the pages are painted from.
void repointPictures(const std::vector<DocumentElement>& copy, const DocumentElement& original,
                     std::vector<PaperBlock>& blocks) {
  std::vector<const InlineImage*> from;
  std::vector<const InlineImage*> to;
  for (const DocumentElement& element : copy) collectPictures(element, from);
  collectPictures(original, to);
  std::unordered_map<const InlineImage*, const InlineImage*> map;
  for (std::size_t i = 0; i < from.size() && i < to.size(); ++i) map.emplace(from[i], to[i]);
  repoint(blocks, map);
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

void PageBand::prepare(BlockLayout& blocks, double width) {
  prepared_ = true;
  if (visible_) {
    const std::vector<bool> perPage = numbered_ ? PageNumbers::numbered(elements_) : std::vector<bool>();
    for (std::size_t i = 0; i < elements_.size(); ++i)
      parts_.push_back({&elements_[i], false, numbered_ && perPage[i], 0, 0, {}});
  }
  if (pageNumber_) parts_.push_back({nullptr, true, true, 0, 0, {}});
  for (const DocumentElement& line : lines_) parts_.push_back({&line, true, false, 0, 0, {}});
  std::size_t lines = PageLayout::kMaxRegionLines;
  std::size_t bytes = PageLayout::kMaxRegionTextBytes;
  for (Part& part : parts_) {
    part.lineBudget = lines;
    part.textBudget = bytes;
    std::vector<PaperBlock> laid = layoutPart(blocks, width, part, 1, 1);
    lines = blocks.lineBudget();
    bytes = blocks.textBudget();
    if (!part.perPage) part.blocks = std::move(laid);
  }
}

std::vector<PaperBlock> PageBand::layoutPart(BlockLayout& blocks, double width, const Part& part, int page,
                                             int total) const {
  blocks.setLineBudget(part.lineBudget);
  blocks.setTextBudget(part.textBudget);
  const std::optional<std::uint32_t> color = part.own ? std::nullopt : color_;
  if (part.element == nullptr) {
    const std::vector<DocumentElement> line = {PageNumbers::line(*pageNumber_, page, total)};
    return blocks.layout(line, width, color);
  }
  // Laid out from the element itself, so that its pictures' marks point at it.
  if (!part.perPage) return blocks.layout({part.element, 1}, width, color);
  const std::vector<DocumentElement> numbered = PageNumbers::apply({*part.element}, page, total);
  std::vector<PaperBlock> laid = blocks.layout(numbered, width, color);
  repointPictures(numbered, *part.element, laid);
  return laid;
}

std::vector<PaperBlock> PageBand::layout(BlockLayout& blocks, double width, int page, int total) {
  if (!prepared_) prepare(blocks, width);
  std::vector<PaperBlock> laid;
  for (const Part& part : parts_) {
    if (!part.perPage) {
      laid.insert(laid.end(), part.blocks.begin(), part.blocks.end());
      continue;
    }
    std::vector<PaperBlock> added = layoutPart(blocks, width, part, page, total);
    laid.insert(laid.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
  }
  return laid;
}

double PageBand::height(BlockLayout& blocks, double width) {
  if (!visible()) return 0;
  return stackedHeight(layout(blocks, width, 1, 1));
}

double PageBand::marks(BlockLayout& blocks, double width, int page, int total, PaperMarks& out) {
  std::vector<PaperBlock> laid = layout(blocks, width, page, total);
  std::size_t next = 0;
  return PageFlow::fill(laid, next, std::numeric_limits<double>::infinity(), true, out);
}

}  // namespace maravel
