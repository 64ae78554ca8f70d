// The table methods of ElementBuilder: tables, rows, cells and their
// borders and column widths. Cells hold block lists again, so tables nest;
// the nesting depth is counted here and bounded by kMaxTableDepth. A form's
// template rows are repeated here, once per row of its data.
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text/text.hpp"
#include "reader/element_builder.hpp"

namespace maravel {

namespace {

// Counts one table level for as long as a table is being built.
class TableLevel {
 public:
  explicit TableLevel(int& depth) : depth_(depth) { ++depth_; }
  ~TableLevel() { --depth_; }
  TableLevel(const TableLevel&) = delete;
  TableLevel& operator=(const TableLevel&) = delete;

 private:
  int& depth_;
};

const std::string* ownAttribute(const AttributeMap& attributes, const char* key) {
  const auto it = attributes.find(key);
  return it == attributes.end() ? nullptr : &it->second;
}

// A cell holding just one table, as a row of its own: no spans, no borders.
TableRow wrappedRow(TableItem inner) {
  TableCell cell;
  cell.elements.emplace_back(std::move(inner));
  TableRow row;
  row.cells.push_back(std::move(cell));
  return row;
}

bool isTemplateRow(const XMLNode& row) {
  const std::string* type = ownAttribute(row.attributes, "rowtype");
  return type != nullptr && *type == "dataRow";
}

// The number of elements in the subtree of `node` (itself included), and the
// `fieldName` of every `field` among them added to `names`.
std::size_t scanTemplate(const XMLNode& node, std::vector<std::string_view>& names) {
  if (node.name == "field") {
    if (const std::string* name = ownAttribute(node.attributes, "fieldname")) names.emplace_back(*name);
  }
  std::size_t count = 1;
  for (const XMLNode& child : node.children) count += scanTemplate(child, names);
  return count;
}

}  // namespace

TableItem ElementBuilder::table(const XMLNode& node, ListNumbering& numbering) {
  const TableLevel level(tableDepth_);
  TableItem item;
  item.columnSpans = spansWithinBudget(node.attributes);
  item.border = border(node.attributes);
  for (const XMLNode& child : node.children) {
    if (child.name == "row" && form_ != nullptr && isTemplateRow(child)) {
      templateRows(child, numbering, item.rows);
    } else if (child.name == "row") {
      item.rows.push_back(row(child, numbering));
    } else if (child.name == "table") {
      if (std::optional<TableItem> inner = nestedTable(child, numbering)) {
        item.rows.push_back(wrappedRow(std::move(*inner)));
      }
    }
  }
  return item;
}

// A table inside another block list or table, or nothing when it would
// nest deeper than kMaxTableDepth.
std::optional<TableItem> ElementBuilder::nestedTable(const XMLNode& node, ListNumbering& numbering) {
  if (tableDepth_ >= kMaxTableDepth) return std::nullopt;
  return table(node, numbering);
}

TableRow ElementBuilder::row(const XMLNode& node, ListNumbering& numbering) {
  TableRow result;
  result.columnSpans = spansWithinBudget(node.attributes);
  if (const std::string* height = ownAttribute(node.attributes, "height")) {
    result.height = text::parseNumber(*height).value_or(0);
  }
  result.border = border(node.attributes);
  for (const XMLNode& child : node.children) {
    if (child.name != "cell") continue;
    TableCell cell;
    cell.elements = elements(child, numbering);
    cell.border = border(child.attributes);
    result.cells.push_back(std::move(cell));
  }
  return result;
}

// A form's template row: one copy per data row, within kMaxRowsPerTemplate
// and the document's kMaxTemplateElements; once, filled from the leaves,
// when no container names its fields.
void ElementBuilder::templateRows(const XMLNode& node, ListNumbering& numbering,
                                  std::vector<TableRow>& rows) {
  std::vector<std::string_view> names;
  const std::size_t size = scanTemplate(node, names);
  const FormData::Rows* dataRows = form_->rowsNaming(names);
  if (dataRows == nullptr) {
    rows.push_back(row(node, numbering));
    return;
  }
  const FormData::Values* outer = dataRow_;
  const std::size_t copies = std::min(dataRows->size(), kMaxRowsPerTemplate);
  for (std::size_t i = 0; i < copies && size <= templateElementsLeft_; ++i) {
    templateElementsLeft_ -= size;
    dataRow_ = &(*dataRows)[i];
    rows.push_back(row(node, numbering));
  }
  dataRow_ = outer;
}

std::optional<std::vector<double>> ElementBuilder::spansWithinBudget(const AttributeMap& attributes) {
  std::optional<std::vector<double>> widths =
      spans(ownAttribute(attributes, "columnspans"), std::min(kMaxColumnSpans, columnSpansLeft_));
  if (widths) columnSpansLeft_ -= widths->size();
  return widths;
}

std::optional<std::vector<double>> ElementBuilder::spans(const std::string* value, std::size_t limit) {
  if (value == nullptr) return std::nullopt;
  std::vector<double> widths;
  const std::string_view all = *value;
  std::size_t pieceStart = 0;
  for (std::size_t pieces = 0; pieces < limit && pieceStart <= all.size(); ++pieces) {
    std::size_t pieceEnd = all.find(',', pieceStart);
    if (pieceEnd == std::string_view::npos) pieceEnd = all.size();
    const std::string_view piece = text::trimWhitespace(all.substr(pieceStart, pieceEnd - pieceStart));
    pieceStart = pieceEnd + 1;
    if (const std::optional<double> width = text::parseNumber(piece)) widths.push_back(*width);
  }
  if (widths.empty()) return std::nullopt;
  return widths;
}

std::optional<TableBorder> ElementBuilder::border(const AttributeMap& attributes) {
  const std::string* kind = ownAttribute(attributes, "border");
  if (kind == nullptr) return std::nullopt;
  TableBorder result;
  result.kind = *kind;
  result.color = rgb(ownAttribute(attributes, "bordercolor"));
  if (const std::string* width = ownAttribute(attributes, "borderwidth")) {
    result.width = text::parseNumber(*width).value_or(1.0);
  }
  return result;
}

}  // namespace maravel
