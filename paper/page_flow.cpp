#include "paper/page_flow.hpp"

#include <algorithm>

namespace maravel {

namespace {

constexpr double kTolerance = 0.01;

struct RowPart {
  double height = 0;
  bool finished = false;
};

void drawBorders(const PaperCell& cell, double height, PaperMarks& out) {
  if (!(cell.borderWidth > 0)) return;
  const double left = cell.x, right = cell.x + cell.width;
  const auto rule = [&](double x1, double y1, double x2, double y2) {
    out.rules.push_back({x1, y1, x2, y2, cell.borderWidth, cell.borderColor});
  };
  // Horizontal sides reach over the vertical ones' half width, so corners close.
  const double half = cell.borderWidth / 2;
  if (cell.sides.top) rule(left - half, 0, right + half, 0);
  if (cell.sides.bottom) rule(left - half, height, right + half, height);
  if (cell.sides.left) rule(left, 0, left, height);
  if (cell.sides.right) rule(right, 0, right, height);
}

// Places what fits of the row in `room`; the row keeps what is left.
RowPart placeRow(PaperBlock& row, double room, bool pageStart, PaperMarks& out) {
  const double borders = row.borderTop + row.borderBottom;
  room -= borders;
  std::vector<PaperMarks> contents(row.cells.size());
  double placed = 0;
  bool left = false;
  for (std::size_t c = 0; c < row.cells.size(); ++c) {
    PaperCell& cell = row.cells[c];
    std::size_t next = 0;
    placed = std::max(placed, PageFlow::fill(cell.blocks, next, room, pageStart, contents[c]));
    cell.blocks.erase(cell.blocks.begin(), cell.blocks.begin() + static_cast<std::ptrdiff_t>(next));
    left = left || !cell.blocks.empty();
  }
  if (left && placed <= 0 && !pageStart) return {};
  double height = placed;
  if (row.minHeight > placed) height = std::min(row.minHeight, std::max(room, placed));
  for (std::size_t c = 0; c < row.cells.size(); ++c) {
    const PaperCell& cell = row.cells[c];
    out.append(std::move(contents[c]), cell.x + cell.inset, row.borderTop);
    drawBorders(cell, height + borders, out);
  }
  row.minHeight = std::max(row.minHeight - height, 0.0);
  row.height = row.minHeight;
  for (const PaperCell& cell : row.cells) row.height = std::max(row.height, stackedHeight(cell.blocks));
  row.height += borders;
  return {height + borders, !left && row.minHeight <= kTolerance};
}

}  // namespace

double PageFlow::fill(std::vector<PaperBlock>& blocks, std::size_t& next, double room, bool pageStart,
                      PaperMarks& out) {
  double used = 0;
  bool placedAny = false;
  while (next < blocks.size()) {
    PaperBlock& block = blocks[next];
    const bool force = pageStart && !placedAny;
    const bool fits = used + block.height <= room + kTolerance;
    if (block.kind == PaperBlock::Kind::gap) {
      ++next;
      if (!fits) break;
      used += block.height;
      continue;
    }
    if (block.kind == PaperBlock::Kind::line) {
      if (!fits && !force) break;
      out.append(std::move(block.marks), 0, used);
      used += block.height;
      placedAny = true;
      ++next;
      continue;
    }
    PaperMarks rowMarks;
    const RowPart part = placeRow(block, room - used, force, rowMarks);
    if (part.height <= 0 && !part.finished) break;
    out.append(std::move(rowMarks), 0, used);
    used += part.height;
    placedAny = true;
    if (!part.finished) break;
    ++next;
  }
  return used;
}

}  // namespace maravel
