// Blocks: paragraphs through the paragraph writer, tables row by row (each
// row its own fixed-layout table, so rows keep their own column
// proportions), and the header and footer regions.

#include <algorithm>
#include <numeric>

#include "html/document_writer.hpp"
#include "platform/text/text.hpp"

namespace maravel {

namespace {

constexpr double kMaxRowHeight = 1500;
constexpr double kCellPadding = 3;  // 1.5 points each side, from the stylesheet

// tails[i] is the sum of the table's spans from column i to the end, so that
// folding the surplus columns costs one lookup per row however long the list.
std::vector<double> spanTails(const TableItem& table) {
  if (!table.columnSpans) return {};
  const std::vector<double>& all = *table.columnSpans;
  std::vector<double> tails(all.size() + 1, 0.0);
  for (std::size_t i = all.size(); i > 0; --i) tails[i - 1] = all[i - 1] + tails[i];
  return tails;
}

// The row's own spans when they fit its cells; else the table's, with the
// surplus columns folded into the last cell; else one each. Negative spans
// count as 0.
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

std::vector<double> cellFractions(const TableItem& table, const std::vector<double>& tails,
                                  const TableRow& row) {
  std::vector<double> spans = cellSpans(table, tails, row);
  const double sum = std::accumulate(spans.begin(), spans.end(), 0.0);
  for (double& span : spans) span = sum > 0 ? span / sum : 1.0 / static_cast<double>(spans.size());
  return spans;
}

// The border text ("max(1px,...) solid colour") when the border is drawn.
std::optional<std::string> borderText(const std::optional<TableBorder>& border) {
  if (!border || (border->kind != "borderCell" && border->kind != "borderTable")) return std::nullopt;
  std::string color = "var(--rule)";
  if (border->color) {
    if (smallestComponent(*border->color) > 240) return std::nullopt;
    if (largestComponent(*border->color) >= 80) color = hexColor(*border->color);
  }
  return "max(1px," + DocumentWriter::u(border->width) + ") solid " + color;
}

struct CellPosition {
  std::size_t r, rowCount, c, n;
  bool framed;
};

// "borderCell" draws the full grid, "borderTable" only the outer frame;
// inside a framed cell both leave the outer edge to that cell's border.
std::string borderSides(const std::string& kind, const std::string& text, const CellPosition& at) {
  const bool first = at.r == 0, last = at.r + 1 == at.rowCount;
  const bool left = at.c == 0, right = at.c + 1 == at.n;
  bool sides[4];
  if (kind == "borderCell") {
    sides[0] = !(at.framed && first);
    sides[1] = !(at.framed && last);
    sides[2] = !(at.framed && left);
    sides[3] = !(at.framed && right);
  } else {
    sides[0] = first && !at.framed;
    sides[1] = last && !at.framed;
    sides[2] = left && !at.framed;
    sides[3] = right && !at.framed;
  }
  static constexpr const char* kNames[4] = {"border-top", "border-bottom", "border-left", "border-right"};
  std::string css;
  for (int side = 0; side < 4; ++side) {
    if (sides[side]) css += std::string(kNames[side]) + ":" + text + ";";
  }
  return css;
}

bool holdsTable(const std::vector<DocumentElement>& elements) {
  return std::any_of(elements.begin(), elements.end(),
                     [](const DocumentElement& element) { return element.table() != nullptr; });
}

bool runIsVisible(const TextRun& run) {
  return run.image.has_value() || !text::trimWhitespaceAndNewlines(run.text).empty();
}

bool visibleAtDepth(const std::vector<DocumentElement>& elements, int depth) {
  for (const DocumentElement& element : elements) {
    if (const ParagraphItem* p = element.paragraph()) {
      if (std::any_of(p->runs.begin(), p->runs.end(), runIsVisible)) return true;
    } else if (const TableItem* table = element.table(); table && depth < DocumentWriter::kMaxTableDepth) {
      for (const TableRow& row : table->rows) {
        for (const TableCell& cell : row.cells) {
          if (visibleAtDepth(cell.elements, depth + 1)) return true;
        }
      }
    }
  }
  return false;
}

}  // namespace

std::string DocumentWriter::render(const std::vector<DocumentElement>& elements, double width, bool framed) {
  std::string out;
  for (const DocumentElement& element : elements) {
    if (const ParagraphItem* p = element.paragraph()) {
      out += paragraph(*p, width);
    } else if (const TableItem* t = element.table()) {
      out += table(*t, width, framed);
    }
    out += '\n';
  }
  return out;
}

std::string DocumentWriter::table(const TableItem& table, double width, bool framed) {
  if (tableDepth_ >= kMaxTableDepth) return {};
  ++tableDepth_;
  const auto rowCount = static_cast<std::size_t>(std::count_if(
      table.rows.begin(), table.rows.end(), [](const TableRow& row) { return !row.cells.empty(); }));
  const std::vector<double> tails = spanTails(table);
  std::string out;
  std::size_t r = 0;
  for (const TableRow& tableRow : table.rows) {
    if (tableRow.cells.empty()) continue;
    out += row(table, tails, tableRow, r++, rowCount, width, framed);
  }
  --tableDepth_;
  return out;
}

std::string DocumentWriter::row(const TableItem& table, const std::vector<double>& tails, const TableRow& row,
                                std::size_t r, std::size_t rowCount, double width, bool framed) {
  const std::vector<double> fractions = cellFractions(table, tails, row);
  std::string out = "<table class=\"udf-row\"><tr";
  if (row.height > 0 && row.height < kMaxRowHeight) out += " style=\"height:" + u(row.height) + "\"";
  out += ">";
  for (std::size_t c = 0; c < row.cells.size(); ++c) {
    const TableCell& cell = row.cells[c];
    const double cellWidth = width * fractions[c];
    std::string style = "width:" + u(cellWidth) + ";";
    const std::optional<TableBorder>& border = cell.border  ? cell.border
                                               : row.border ? row.border
                                                            : table.border;
    const std::optional<std::string> drawn = borderText(border);
    if (drawn) style += borderSides(border->kind, *drawn, {r, rowCount, c, row.cells.size(), framed});
    std::string content;
    if (holdsTable(cell.elements)) {
      style += "padding:0;";
      content = render(cell.elements, std::max(cellWidth, 1.0), drawn.has_value());
    } else {
      content = render(cell.elements, std::max(cellWidth - kCellPadding, 1.0), false);
    }
    out += "<td style=\"" + style + "\">" + content + "</td>";
  }
  return out + "</tr></table>";
}

std::string DocumentWriter::region(const std::vector<DocumentElement>& elements, double width,
                                   std::optional<std::uint32_t> color, const std::string& className) {
  std::string colorAttribute;
  if (color) {
    if (largestComponent(*color) >= 80 && smallestComponent(*color) < 241)
      colorAttribute = " style=\"color:" + hexColor(*color) + "\"";
  }
  return "<div class=\"" + className + "\"" + colorAttribute + ">" + render(elements, width, false) +
         "</div>";
}

bool DocumentWriter::hasVisibleContent(const std::vector<DocumentElement>& elements) {
  return visibleAtDepth(elements, 0);
}

}  // namespace maravel
