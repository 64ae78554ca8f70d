#include "paper/block_layout.hpp"

#include <algorithm>

#include "html/document_writer.hpp"
#include "html/paragraph_layout.hpp"

namespace maravel {

namespace {

PaperBlock gap(double height) {
  PaperBlock block;
  block.kind = PaperBlock::Kind::gap;
  block.height = height;
  return block;
}

}  // namespace

double stackedHeight(const std::vector<PaperBlock>& blocks) {
  double height = 0;
  for (const PaperBlock& block : blocks) height += block.height;
  return height;
}

std::vector<PaperBlock> BlockLayout::layout(std::span<const DocumentElement> elements, double width,
                                            std::optional<std::uint32_t> regionColor, bool framed) {
  regionColor_ = regionColor;
  std::vector<PaperBlock> blocks;
  for (const DocumentElement& element : elements) {
    if (const ParagraphItem* p = element.paragraph()) {
      paragraph(*p, width, blocks);
    } else if (const TableItem* t = element.table()) {
      table(*t, width, framed, blocks);
    }
  }
  return blocks;
}

void BlockLayout::paragraph(const ParagraphItem& p, double width, std::vector<PaperBlock>& out) {
  if (lineBudget_ == 0 || textBudget_ == 0) {
    cut_ = true;
    return;
  }
  PaperParagraph laid = lines_.layout(p, width, regionColor_, lineBudget_, textBudget_);
  lineBudget_ -= std::min(lineBudget_, laid.lines.size());
  std::size_t bytes = 0;
  for (const TextRun& run : p.runs)
    bytes += run.image ? ParagraphLayout::kBoxBytes
                       : run.text.size() +
                             (ParagraphLayout::kBoxBytes - 1) *
                                 static_cast<std::size_t>(std::count(run.text.begin(), run.text.end(), '\t'));
  textBudget_ -= std::min(textBudget_, bytes);
  cut_ = cut_ || laid.cut;
  if (laid.spaceAbove > 0) out.push_back(gap(laid.spaceAbove));
  for (PaperLine& line : laid.lines) {
    PaperBlock block;
    block.height = line.height;
    block.marks = std::move(line.marks);
    out.push_back(std::move(block));
  }
  if (laid.spaceBelow > 0) out.push_back(gap(laid.spaceBelow));
}

void BlockLayout::table(const TableItem& table, double width, bool framed, std::vector<PaperBlock>& out) {
  if (depth_ >= DocumentWriter::kMaxTableDepth) return;
  ++depth_;
  const std::size_t rowCount = TableLayout::rowCount(table);
  const std::vector<double> tails = TableLayout::spanTails(table);
  std::size_t r = 0;
  for (const TableRow& row : table.rows) {
    if (row.cells.empty()) continue;
    const std::vector<double> fractions = TableLayout::cellFractions(table, tails, row);
    PaperBlock block;
    block.kind = PaperBlock::Kind::row;
    block.minHeight = TableLayout::rowHeight(row).value_or(0);
    double x = 0;
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
      const TableCell& cell = row.cells[c];
      PaperCell laid;
      laid.x = x;
      laid.width = width * fractions[c];
      x += laid.width;
      const std::optional<TableBorder>& border = TableLayout::cellBorder(table, row, cell);
      const bool drawn = TableLayout::isDrawn(border);
      if (drawn) {
        laid.sides = TableLayout::borderSides(*border, r, rowCount, c, row.cells.size(), framed);
        laid.borderWidth = std::max(border->width, 0.5);
        laid.borderColor = border->color.value_or(0);
      }
      const std::optional<std::uint32_t> color = regionColor_;
      if (TableLayout::holdsTable(cell)) {
        laid.blocks = layout(cell.elements, std::max(laid.width, 1.0), color, drawn);
      } else {
        laid.inset = TableLayout::kCellPadding / 2;
        laid.blocks = layout(cell.elements, std::max(laid.width - TableLayout::kCellPadding, 1.0), color);
      }
      regionColor_ = color;
      if (laid.sides.top) block.borderTop = std::max(block.borderTop, laid.borderWidth / 2);
      if (laid.sides.bottom) block.borderBottom = std::max(block.borderBottom, laid.borderWidth / 2);
      block.height = std::max(block.height, stackedHeight(laid.blocks));
      block.cells.push_back(std::move(laid));
    }
    block.height = std::max(block.height, block.minHeight) + block.borderTop + block.borderBottom;
    out.push_back(std::move(block));
    ++r;
  }
  --depth_;
}

}  // namespace maravel
