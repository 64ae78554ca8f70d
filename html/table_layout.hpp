// The geometry of a table that the page writer and the paper layout share:
// each row's cell fractions, which border a cell draws and on which sides,
// the row height that counts, and the cells' padding.
//
// Pure functions of the model; nothing fails. A row without cells has no
// geometry and is skipped by both writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel {

class TableLayout {
 public:
  // The table's spans summed from each column to the end (one more entry
  // than spans, the last 0); empty when the table has none. Made once per
  // table so that folding the surplus columns costs one lookup per row.
  static std::vector<double> spanTails(const TableItem& table);

  // Each cell's share of the row's width, summing to 1: the row's own spans
  // when they fit its cells, else the table's with the surplus columns
  // folded into the last cell, else one each; negative spans count as 0 and
  // an all-zero row is split equally. `row` must have cells.
  static std::vector<double> cellFractions(const TableItem& table, const std::vector<double>& tails,
                                           const TableRow& row);

  // The border that applies to a cell: its own, else the row's, else the table's.
  static const std::optional<TableBorder>& cellBorder(const TableItem& table, const TableRow& row,
                                                      const TableCell& cell);

  // Whether the border is drawn: a "borderCell" or "borderTable" kind whose
  // colour is not near white (every component above 240).
  static bool isDrawn(const std::optional<TableBorder>& border);

  struct Sides {
    bool top = false;
    bool bottom = false;
    bool left = false;
    bool right = false;
  };

  // Where a drawn border goes for the cell `c` of `n` in row `r` of
  // `rowCount`: "borderCell" draws the full grid, "borderTable" only the
  // outer frame; inside a `framed` cell both leave the outer edge to that
  // cell's border.
  static Sides borderSides(const TableBorder& border, std::size_t r, std::size_t rowCount, std::size_t c,
                           std::size_t n, bool framed);

  // The number of rows that have cells.
  static std::size_t rowCount(const TableItem& table);

  // The row's height when it counts: above 0 and below 1500 points.
  static std::optional<double> rowHeight(const TableRow& row);

  // True when the cell holds a table; such a cell has no padding.
  static bool holdsTable(const TableCell& cell);

  // The horizontal padding of a cell without a table, 1.5 points each side.
  static constexpr double kCellPadding = 3;
};

}  // namespace maravel
