#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "reader/element_builder.hpp"
#include "reader/xml_tree.hpp"
#include "tests/support/model_invariants.hpp"

namespace maravel {
namespace {

class TableBuilderTest : public ::testing::Test {
 protected:
  const XMLNode& xml(std::string_view source) {
    trees_.push_back(parseXMLTree(source));
    return trees_.back().root.children.at(0);
  }

  TableItem table(std::string_view source, std::string text = "") {
    ElementBuilder builder({}, std::move(text), {});
    ListNumbering numbering;
    TableItem item = builder.table(xml(source), numbering);
    EXPECT_TRUE(testing::modelViolations({DocumentElement(item)}).empty());
    return item;
  }

  static int tableDepth(const std::vector<DocumentElement>& elements) {
    int depth = 0;
    const std::vector<DocumentElement>* level = &elements;
    while (level != nullptr) {
      const std::vector<DocumentElement>* next = nullptr;
      for (const DocumentElement& element : *level) {
        const TableItem* t = element.table();
        if (t == nullptr) continue;
        ++depth;
        if (!t->rows.empty() && !t->rows[0].cells.empty()) next = &t->rows[0].cells[0].elements;
        break;
      }
      level = next;
    }
    return depth;
  }

  std::deque<XMLParseResult> trees_;
};

// The editor's own tables, from the signature table to nested grids, are on
// the tablolar golden page; here are the values it never writes.
TEST_F(TableBuilderTest, SpansAndBordersKeepOnlyUsableValues) {
  const auto spans = [](std::string value) { return ElementBuilder::spans(&value); };
  using Spans = std::optional<std::vector<double>>;
  for (const auto& [value, expected] : {std::pair<std::string, Spans>{",, ,", {}},
                                        {"", {}},
                                        {"100, x ,50", Spans({100, 50})},
                                        {" 12.5 ,inf,0x10,7", Spans({12.5, 7})}})
    EXPECT_EQ(spans(value), expected) << value;
  EXPECT_FALSE(ElementBuilder::spans(nullptr).has_value());
  // Long lists keep their first pieces, and a document its first widths.
  std::string thousandAndOne;
  for (int i = 0; i <= 1000; ++i) thousandAndOne += "1,";
  EXPECT_EQ(spans(thousandAndOne), Spans(std::vector<double>(ElementBuilder::kMaxColumnSpans, 1)));
  ElementBuilder small({}, "", {}, ElementBuilder::Budgets{.columnSpans = 3});
  ListNumbering numbering;
  const TableItem cut =
      small.table(xml(R"(<table columnSpans="1,2"><row columnSpans="3,4"/></table>)"), numbering);
  EXPECT_EQ(cut.columnSpans, Spans({1, 2}));
  EXPECT_EQ(cut.rows.at(0).columnSpans, Spans(std::vector<double>{3}));

  const std::pair<AttributeMap, std::optional<TableBorder>> borders[] = {
      {{{"border", ""}}, TableBorder{"", std::nullopt, 1.0}},
      {{{"bordercolor", "-16777216"}, {"borderwidth", "2"}}, std::nullopt},  // no kind, no border
      {{{"border", "borderFull"}, {"borderwidth", "x"}}, TableBorder{"borderFull", std::nullopt, 1.0}},
      {{{"border", "borderFull"}, {"bordercolor", "-65536"}, {"borderwidth", "0.5"}},
       TableBorder{"borderFull", 0xFF0000u, 0.5}}};
  for (const auto& [attributes, border] : borders) EXPECT_EQ(ElementBuilder::border(attributes), border);
  EXPECT_TRUE(table("<table />").rows.empty());
}

TEST_F(TableBuilderTest, RowsReadHeightSpansAndBorderAndSkipOtherChildren) {
  const TableItem t = table(R"(<table>
      <row height="-3" columnSpans="10,20" border="borderFull" borderWidth="2">
        <cell border="borderFull" borderColor="255"><paragraph /></cell>
        <note><cell /></note>
        <paragraph />
      </row>
      <row height="tall"><cell /></row>
      <paragraph><content startOffset="0" length="1" /></paragraph>
    </table>)",
                            "a");
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_FALSE(t.columnSpans.has_value());
  EXPECT_EQ(t.rows[0].height, -3);
  EXPECT_EQ(t.rows[0].columnSpans, (std::vector<double>{10, 20}));
  EXPECT_EQ(t.rows[0].border->width, 2);
  ASSERT_EQ(t.rows[0].cells.size(), 1u);
  EXPECT_EQ(t.rows[0].cells[0].border->color, 0x0000FFu);
  EXPECT_EQ(t.rows[1].height, 0);
  EXPECT_TRUE(t.rows[1].cells[0].elements.empty());
}

TEST_F(TableBuilderTest, TableDirectlyInsideTableBecomesAWrappedRow) {
  const TableItem t = table(R"(<table border="borderFull">
      <table columnSpans="50"><row><cell /></row></table>
    </table>)");
  ASSERT_EQ(t.rows.size(), 1u);
  TableItem inner;
  inner.columnSpans = std::vector<double>{50};
  inner.rows = {TableRow{{TableCell{}}, std::nullopt, 0, std::nullopt}};
  EXPECT_EQ(t.rows[0], (TableRow{{TableCell{{inner}, std::nullopt}}, std::nullopt, 0, std::nullopt}));
}

TEST_F(TableBuilderTest, ListCountersContinueAcrossCells) {
  ElementBuilder builder({}, "", {});
  ListNumbering numbering;
  const auto elements = builder.elements(xml(R"(<elements>
      <paragraph numbered="true" />
      <table><row>
        <cell><paragraph numbered="true" /></cell>
        <cell><table><row><cell><paragraph numbered="true" /></cell></row></table></cell>
      </row></table>
      <paragraph numbered="true" />
    </elements>)"),
                                         numbering);
  ASSERT_EQ(elements.size(), 3u);
  const TableRow& row = elements[1].table()->rows[0];
  EXPECT_EQ(elements[0].paragraph()->listMarker, "1.");
  EXPECT_EQ(row.cells[0].elements[0].paragraph()->listMarker, "2.");
  EXPECT_EQ(row.cells[1].elements[0].table()->rows[0].cells[0].elements[0].paragraph()->listMarker, "3.");
  EXPECT_EQ(elements[2].paragraph()->listMarker, "4.");
}

std::string nestedTables(int levels, bool direct) {
  std::string source = "<elements>";
  for (int i = 0; i < levels; ++i) source += direct ? "<table>" : "<table><row><cell>";
  source += R"(<paragraph><content startOffset="0" length="1" /></paragraph>)";
  for (int i = 0; i < levels; ++i) source += direct ? "</table>" : "</cell></row></table>";
  return source + "</elements>";
}

TEST_F(TableBuilderTest, NestingIsBoundedAtTheTableDepthLimit) {
  // Up to about 1,000 element levels: some 330 levels of table/row/cell, and
  // as many tables placed directly inside tables.
  const int limit = ElementBuilder::kMaxTableDepth;
  for (const auto& [levels, direct] :
       {std::pair{limit, false}, {limit + 1, false}, {3'400, false}, {10'000, true}}) {
    const XMLParseResult tree = parseXMLTree(nestedTables(levels, direct));
    ASSERT_FALSE(tree.root.children.empty());
    ElementBuilder builder({}, "a", {});
    ListNumbering numbering;
    const auto elements = builder.elements(tree.root.children[0], numbering);
    EXPECT_EQ(tableDepth(elements), limit) << levels;
    EXPECT_TRUE(testing::modelViolations(elements).empty());
  }
}

}  // namespace
}  // namespace maravel
