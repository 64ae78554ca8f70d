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

// The editor's own tables are on the tablolar golden page and the values it
// never writes in the degerler golden document; here are the bounds.
TEST_F(TableBuilderTest, LongSpanListsKeepTheirFirstPieces) {
  const auto spans = [](std::string value) { return ElementBuilder::spans(&value); };
  using Spans = std::optional<std::vector<double>>;
  std::string thousandAndOne;
  for (int i = 0; i <= 1000; ++i) thousandAndOne += "1,";
  EXPECT_EQ(spans(thousandAndOne), Spans(std::vector<double>(ElementBuilder::kMaxColumnSpans, 1)));
  ElementBuilder small({}, "", {}, ElementBuilder::Budgets{.columnSpans = 3});
  ListNumbering numbering;
  const TableItem cut =
      small.table(xml(R"(<table columnSpans="1,2"><row columnSpans="3,4"/></table>)"), numbering);
  EXPECT_EQ(cut.columnSpans, Spans({1, 2}));
  EXPECT_EQ(cut.rows.at(0).columnSpans, Spans(std::vector<double>{3}));
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
