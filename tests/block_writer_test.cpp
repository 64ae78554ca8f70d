#include <gtest/gtest.h>

#include "html/document_writer.hpp"
#include "tests/support/model_values.hpp"

namespace maravel {
namespace {

class BlockWriterTest : public ::testing::Test {
 protected:
  FontBook fonts;
  DocumentWriter writer{fonts};

  static TableRow row(std::size_t cells) {
    TableRow r;
    for (std::size_t i = 0; i < cells; ++i)
      r.cells.push_back({{testing::paragraphOf({testing::textRun("x")})}, {}});
    return r;
  }

  // The style attributes of the td elements, in order.
  static std::vector<std::string> cellStyles(const std::string& html) {
    std::vector<std::string> styles;
    for (std::size_t at = html.find("<td style=\""); at != std::string::npos;
         at = html.find("<td style=\"", at)) {
      at += 11;
      styles.push_back(html.substr(at, html.find('"', at) - at));
    }
    return styles;
  }

  // A table of one row with one cell holding `inner`.
  static TableItem wrap(TableItem inner) {
    TableItem outer;
    outer.rows = {TableRow{{TableCell{{std::move(inner)}, std::nullopt}}, std::nullopt, 0, std::nullopt}};
    return outer;
  }

  std::string render(const TableItem& table, bool framed = false, double width = 400) {
    return writer.render({table}, width, framed);
  }
};

// Cell widths, row heights and rules are in the tablo-cizgiler golden
// document; which headers and footers show, and in what colour, in the
// ustbilgi-* ones. Folding a long span list into the last cell must not cost
// a walk over the list for every row: a million columns over fifty thousand
// rows.
TEST_F(BlockWriterTest, LongTableSpanListsFoldOncePerTable) {
  TableItem table;
  table.columnSpans = std::vector<double>(1'000'000, 1.0);
  table.rows.assign(50'000, TableRow{{TableCell{}, TableCell{}}, std::nullopt, 0, std::nullopt});
  const std::vector<std::string> styles = cellStyles(render(table, false, 1'000'000));
  ASSERT_EQ(styles.size(), 100'000u);
  EXPECT_EQ(styles.front(), "width:calc(1*var(--u));");
  EXPECT_EQ(styles.back(), "width:calc(999999*var(--u));");
}

TEST_F(BlockWriterTest, DeepNestingIsBounded) {
  TableItem table;
  table.rows = {row(1)};
  for (int depth = 0; depth < DocumentWriter::kMaxTableDepth + 10; ++depth) table = wrap(std::move(table));
  const std::string html = render(table);
  std::size_t rows = 0;
  for (std::size_t at = html.find("<table"); at != std::string::npos; at = html.find("<table", at + 1))
    ++rows;
  EXPECT_EQ(rows, static_cast<std::size_t>(DocumentWriter::kMaxTableDepth));
}

}  // namespace
}  // namespace maravel
