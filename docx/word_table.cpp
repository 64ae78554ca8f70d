// Tables of a part: one column grid made of every row's cell edges, each
// cell spanning the grid columns between its edges, so that every row keeps
// its own proportions as on the page.
#include <algorithm>

#include "docx/word_body.hpp"
#include "docx/word_units.hpp"
#include "html/document_writer.hpp"
#include "html/table_layout.hpp"

namespace maravel {

namespace {

constexpr std::int64_t kCellMargin = 30;  // twips, half the page's cell padding

// The cell edges of a row in twips: 0, then each cell's right edge, the
// last at `total`. Every cell is at least one twip wide, so that it holds a
// grid column of its own; a row of cells that do not fit ends past `total`.
std::vector<std::int64_t> rowEdges(const std::vector<double>& fractions, std::int64_t total) {
  std::vector<std::int64_t> edges{0};
  double sum = 0;
  for (std::size_t c = 0; c + 1 < fractions.size(); ++c) {
    sum += fractions[c];
    edges.push_back(std::max<std::int64_t>(std::llround(sum * static_cast<double>(total)), edges.back() + 1));
  }
  edges.push_back(std::max(total, edges.back() + 1));
  return edges;
}

void cellMargins(XmlWriter& xml, std::string_view element, std::int64_t side) {
  xml.open(element);
  for (const auto& [name, width] : {std::pair{"w:top", std::int64_t{0}},
                                    {"w:left", side},
                                    {"w:bottom", std::int64_t{0}},
                                    {"w:right", side}})
    xml.open(name).attribute("w:w", width).attribute("w:type", "dxa").close();
  xml.close();
}

void borders(XmlWriter& xml, const TableBorder& border, const TableLayout::Sides& sides) {
  const std::string color = border.color ? hexColor(*border.color).substr(1) : std::string("auto");
  const std::int64_t size = word::eighths(std::max(border.width, 0.5));
  xml.open("w:tcBorders");
  for (const auto& [name, drawn] : {std::pair{"w:top", sides.top},
                                    {"w:left", sides.left},
                                    {"w:bottom", sides.bottom},
                                    {"w:right", sides.right}}) {
    if (!drawn) continue;
    xml.open(name).attribute("w:val", "single").attribute("w:sz", size).attribute("w:space", "0");
    xml.attribute("w:color", color).close();
  }
  xml.close();
}

}  // namespace

void WordBody::table(const TableItem& table, double width, bool framed, XmlWriter& xml) {
  const std::size_t rowCount = TableLayout::rowCount(table);
  if (rowCount == 0 || tableDepth_ >= DocumentWriter::kMaxTableDepth) return;
  const std::int64_t total = word::twips(width, 1);
  const std::vector<double> tails = TableLayout::spanTails(table);
  std::vector<std::int64_t> grid;
  for (const TableRow& row : table.rows) {
    if (row.cells.empty()) continue;
    const std::vector<std::int64_t> edges = rowEdges(TableLayout::cellFractions(table, tails, row), total);
    grid.insert(grid.end(), edges.begin(), edges.end());
  }
  std::sort(grid.begin(), grid.end());
  grid.erase(std::unique(grid.begin(), grid.end()), grid.end());

  ++tableDepth_;
  xml.open("w:tbl").open("w:tblPr");
  xml.open("w:tblW").attribute("w:w", total).attribute("w:type", "dxa").close();
  xml.open("w:tblInd").attribute("w:w", "0").attribute("w:type", "dxa").close();
  xml.empty("w:tblLayout", "w:type", "fixed");
  cellMargins(xml, "w:tblCellMar", kCellMargin);
  xml.close().open("w:tblGrid");
  for (std::size_t i = 1; i < grid.size(); ++i) xml.empty("w:gridCol", "w:w", grid[i] - grid[i - 1]);
  xml.close();
  std::size_t r = 0;
  for (const TableRow& tableRow : table.rows) {
    if (tableRow.cells.empty()) continue;
    row(table, tableRow, tails, grid, total, r++, rowCount, width, framed, xml);
  }
  xml.close();
  --tableDepth_;
}

void WordBody::row(const TableItem& table, const TableRow& row, const std::vector<double>& tails,
                   const std::vector<std::int64_t>& grid, std::int64_t total, std::size_t r,
                   std::size_t rowCount, double width, bool framed, XmlWriter& xml) {
  const std::vector<double> fractions = TableLayout::cellFractions(table, tails, row);
  const std::vector<std::int64_t> edges = rowEdges(fractions, total);
  auto column = [&](std::int64_t edge) {
    return std::lower_bound(grid.begin(), grid.end(), edge) - grid.begin();
  };
  // A row that ends before the grid does (its cells fit, another row's do not).
  const auto after = static_cast<std::int64_t>(grid.size()) - 1 - column(edges.back());
  const std::optional<double> height = TableLayout::rowHeight(row);
  xml.open("w:tr");
  if (after > 0 || height) {
    xml.open("w:trPr");
    if (after > 0) xml.empty("w:gridAfter", "w:val", after);
    if (height)
      xml.open("w:trHeight")
          .attribute("w:val", word::twips(*height, 0))
          .attribute("w:hRule", "atLeast")
          .close();
    xml.close();
  }
  for (std::size_t c = 0; c < row.cells.size(); ++c) {
    const std::int64_t span = column(edges[c + 1]) - column(edges[c]);
    cell(table, row, row.cells[c], span, width * fractions[c], r, rowCount, c, framed, xml);
  }
  xml.close();
}

void WordBody::cell(const TableItem& table, const TableRow& row, const TableCell& cell, std::int64_t gridSpan,
                    double cellWidth, std::size_t r, std::size_t rowCount, std::size_t c, bool framed,
                    XmlWriter& xml) {
  const std::optional<TableBorder>& border = TableLayout::cellBorder(table, row, cell);
  const bool drawn = TableLayout::isDrawn(border);
  const bool nested = TableLayout::holdsTable(cell);
  xml.open("w:tc").open("w:tcPr");
  xml.open("w:tcW").attribute("w:w", word::twips(cellWidth, 0)).attribute("w:type", "dxa").close();
  if (gridSpan > 1) xml.empty("w:gridSpan", "w:val", gridSpan);
  if (drawn)
    borders(xml, *border, TableLayout::borderSides(*border, r, rowCount, c, row.cells.size(), framed));
  if (nested) cellMargins(xml, "w:tcMar", 0);
  xml.close();
  // A cell holding a table has no padding, and the table inside leaves its
  // outer edge to this cell's border.
  const double inner = nested ? cellWidth : cellWidth - TableLayout::kCellPadding;
  blocks(cell.elements, std::max(inner, 1.0), nested && drawn, xml);
  if (cell.elements.empty()) spacer(xml);
  xml.close();
}

}  // namespace maravel
