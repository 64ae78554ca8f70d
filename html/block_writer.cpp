// Blocks: paragraphs through the paragraph writer, tables row by row (each
// row its own fixed-layout table, so rows keep their own column
// proportions), and the header and footer regions.

#include <algorithm>

#include "html/document_writer.hpp"
#include "html/table_layout.hpp"
#include "platform/text/text.hpp"

namespace maravel {

namespace {

// The border text ("max(1px,...) solid colour"); dark colours follow the theme's rule colour.
std::string borderText(const TableBorder& border) {
  std::string color = "var(--rule)";
  if (border.color && largestComponent(*border.color) >= 80) color = hexColor(*border.color);
  return "max(1px," + DocumentWriter::u(border.width) + ") solid " + color;
}

std::string borderSides(const TableLayout::Sides& sides, const std::string& text) {
  std::string css;
  if (sides.top) css += "border-top:" + text + ";";
  if (sides.bottom) css += "border-bottom:" + text + ";";
  if (sides.left) css += "border-left:" + text + ";";
  if (sides.right) css += "border-right:" + text + ";";
  return css;
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

// A generous guess at the bytes of the page the elements make: their text
// and pictures twice over, and room for each paragraph's markup.
std::size_t pageGuess(const std::vector<DocumentElement>& elements, int depth) {
  std::size_t bytes = 0;
  for (const DocumentElement& element : elements) {
    if (const ParagraphItem* p = element.paragraph()) {
      bytes += 512;
      for (const TextRun& run : p->runs)
        bytes += 2 * run.text.size() + 64 + (run.image ? run.image->base64.size() : 0);
    } else if (const TableItem* table = element.table(); table && depth < DocumentWriter::kMaxTableDepth) {
      for (const TableRow& row : table->rows) {
        bytes += 512;
        for (const TableCell& cell : row.cells) bytes += 256 + pageGuess(cell.elements, depth + 1);
      }
    }
  }
  return bytes;
}

}  // namespace

std::string DocumentWriter::render(const std::vector<DocumentElement>& elements, double width, bool framed) {
  std::string out;
  // The body of a large document is most of the page: given its room at
  // once (only what it uses is ever touched), it is never copied, nor held
  // twice, while it grows.
  if (tableDepth_ == 0) out.reserve(std::min(pageGuess(elements, 0), pageBytesLeft_));
  for (const DocumentElement& element : elements) {
    if (pageBytesLeft_ == 0) break;
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
  const std::size_t rowCount = TableLayout::rowCount(table);
  const std::vector<double> tails = TableLayout::spanTails(table);
  std::string out;
  std::size_t r = 0;
  for (const TableRow& tableRow : table.rows) {
    if (pageBytesLeft_ == 0) break;
    if (tableRow.cells.empty()) continue;
    out += row(table, tails, tableRow, r++, rowCount, width, framed);
  }
  --tableDepth_;
  return out;
}

std::string DocumentWriter::row(const TableItem& table, const std::vector<double>& tails, const TableRow& row,
                                std::size_t r, std::size_t rowCount, double width, bool framed) {
  const std::vector<double> fractions = TableLayout::cellFractions(table, tails, row);
  std::size_t contentBytes = 0;  // spent by the paragraphs inside
  std::string out = "<table class=\"udf-row\"><tr";
  if (const auto height = TableLayout::rowHeight(row)) out += " style=\"height:" + u(*height) + "\"";
  out += ">";
  for (std::size_t c = 0; c < row.cells.size(); ++c) {
    const TableCell& cell = row.cells[c];
    const double cellWidth = width * fractions[c];
    std::string style = "width:" + u(cellWidth) + ";";
    const std::optional<TableBorder>& border = TableLayout::cellBorder(table, row, cell);
    const bool drawn = TableLayout::isDrawn(border);
    if (drawn) {
      style += borderSides(TableLayout::borderSides(*border, r, rowCount, c, row.cells.size(), framed),
                           borderText(*border));
    }
    std::string content;
    if (TableLayout::holdsTable(cell)) {
      style += "padding:0;";
      content = render(cell.elements, std::max(cellWidth, 1.0), drawn);
    } else {
      content = render(cell.elements, std::max(cellWidth - TableLayout::kCellPadding, 1.0), false);
    }
    contentBytes += content.size();
    out += "<td style=\"" + style + "\">" + content + "</td>";
  }
  out += "</tr></table>";
  spend(out.size() - contentBytes);
  return out;
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
