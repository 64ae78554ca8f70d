#include "html/table_layout.hpp"

#include <algorithm>
#include <numeric>

#include "html/document_writer.hpp"

namespace maravel {

namespace {

constexpr double kMaxRowHeight = 1500;

std::vector<double> cellSpans(const TableItem& table, const std::vector<double>& tails, const TableRow& row) {
  const std::size_t n = row.cells.size();
  std::vector<double> spans(n, 1.0);
  if (row.columnSpans && row.columnSpans->size() == n) {
    spans = *row.columnSpans;
  } else if (table.columnSpans && table.columnSpans->size() >= n) {
    const std::vector<double>& all = *table.columnSpans;
    std::copy(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n - 1), spans.begin());
    spans[n - 1] = tails[n - 1];
  }
  for (double& span : spans) span = std::max(span, 0.0);
  return spans;
}

}  // namespace

std::vector<double> TableLayout::spanTails(const TableItem& table) {
  if (!table.columnSpans) return {};
  const std::vector<double>& all = *table.columnSpans;
  std::vector<double> tails(all.size() + 1, 0.0);
  for (std::size_t i = all.size(); i > 0; --i) tails[i - 1] = all[i - 1] + tails[i];
  return tails;
}

std::vector<double> TableLayout::cellFractions(const TableItem& table, const std::vector<double>& tails,
                                               const TableRow& row) {
  std::vector<double> spans = cellSpans(table, tails, row);
  const double sum = std::accumulate(spans.begin(), spans.end(), 0.0);
  for (double& span : spans) span = sum > 0 ? span / sum : 1.0 / static_cast<double>(spans.size());
  return spans;
}

const std::optional<TableBorder>& TableLayout::cellBorder(const TableItem& table, const TableRow& row,
                                                          const TableCell& cell) {
  return cell.border ? cell.border : row.border ? row.border : table.border;
}

bool TableLayout::isDrawn(const std::optional<TableBorder>& border) {
  if (!border || (border->kind != "borderCell" && border->kind != "borderTable")) return false;
  return !border->color || smallestComponent(*border->color) <= 240;
}

TableLayout::Sides TableLayout::borderSides(const TableBorder& border, std::size_t r, std::size_t rowCount,
                                            std::size_t c, std::size_t n, bool framed) {
  const bool first = r == 0, last = r + 1 == rowCount;
  const bool left = c == 0, right = c + 1 == n;
  if (border.kind == "borderCell") {
    return {!(framed && first), !(framed && last), !(framed && left), !(framed && right)};
  }
  return {first && !framed, last && !framed, left && !framed, right && !framed};
}

std::size_t TableLayout::rowCount(const TableItem& table) {
  return static_cast<std::size_t>(std::count_if(table.rows.begin(), table.rows.end(),
                                                [](const TableRow& row) { return !row.cells.empty(); }));
}

std::optional<double> TableLayout::rowHeight(const TableRow& row) {
  if (row.height > 0 && row.height < kMaxRowHeight) return row.height;
  return std::nullopt;
}

bool TableLayout::holdsTable(const TableCell& cell) {
  return std::any_of(cell.elements.begin(), cell.elements.end(),
                     [](const DocumentElement& element) { return element.table() != nullptr; });
}

}  // namespace maravel
