// Elements laid out in a width as a column of blocks: the lines and the
// spacing of paragraphs, and table rows whose cells hold columns of blocks
// again. The page flow cuts this column into pages.
//
// Internal to paper/. Marks inside a block are placed from the block's
// top-left corner; a cell's marks from its own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "html/table_layout.hpp"
#include "model/udf_document.hpp"
#include "paper/line_layout.hpp"
#include "paper/paper_document.hpp"

namespace maravel {

struct PaperBlock;

struct PaperCell {
  double x = 0;      // from the row's left edge
  double width = 0;  // the cell's whole width
  double inset = 0;  // where its content starts, from the cell's left edge
  std::vector<PaperBlock> blocks;
  TableLayout::Sides sides;  // where its border is drawn
  double borderWidth = 0;
  std::uint32_t borderColor = 0;
};

struct PaperBlock {
  enum class Kind { line, gap, row };
  Kind kind = Kind::line;
  double height = 0;  // a row's: its content's or its own height, with its borders' inner halves
  PaperMarks marks;   // a line's marks
  // A row's cells and the height it asks for (0 when none).
  std::vector<PaperCell> cells;
  double minHeight = 0;
  // The halves of the row's top and bottom borders that lie inside it
  // (collapsed borders sit centred on the row's edges).
  double borderTop = 0;
  double borderBottom = 0;
};

class BlockLayout {
 public:
  explicit BlockLayout(LineLayout& lines) : lines_(lines) {}

  // The elements in `width` points; `regionColor` as for LineLayout.
  // `framed` as for the page writer's tables. Tables nested deeper than
  // the page writer writes them are left out.
  std::vector<PaperBlock> layout(std::span<const DocumentElement> elements, double width,
                                 std::optional<std::uint32_t> regionColor, bool framed = false);

  // Lines laid out from now on stop at `lines`; a hostile document of
  // endless lines costs no more than the pages that can show them.
  void setLineBudget(std::size_t lines) {
    lineBudget_ = lines;
    cut_ = false;
  }
  // Paragraphs laid out from now on stop after `bytes` bytes of run text
  // together (as ParagraphLayout::segments counts them): a file that inflates to a hundred
  // megabytes of text costs what the bytes it came in allow.
  void setTextBudget(std::size_t bytes) { textBudget_ = bytes; }
  // The lines and bytes left of the budgets.
  std::size_t lineBudget() const { return lineBudget_; }
  std::size_t textBudget() const { return textBudget_; }
  // True when the budget ran out and content was left out.
  bool cut() const { return cut_; }

 private:
  void paragraph(const ParagraphItem& p, double width, std::vector<PaperBlock>& out);
  void table(const TableItem& table, double width, bool framed, std::vector<PaperBlock>& out);

  LineLayout& lines_;
  std::optional<std::uint32_t> regionColor_;
  int depth_ = 0;
  std::size_t lineBudget_ = static_cast<std::size_t>(-1);
  std::size_t textBudget_ = static_cast<std::size_t>(-1);
  bool cut_ = false;
};

// The height of blocks stacked without a page break.
double stackedHeight(const std::vector<PaperBlock>& blocks);

}  // namespace maravel
