#include <gtest/gtest.h>

#include "html/document_writer.hpp"
#include "tests/support/model_values.hpp"

namespace maravel {
namespace {

class BlockWriterTest : public ::testing::Test {
 protected:
  FontBook fonts;
  DocumentWriter writer{fonts};

  static TextRun run(const std::string& text) { return testing::textRun(text); }
  static ParagraphItem para(const std::string& text) {
    return text.empty() ? ParagraphItem() : testing::paragraphOf({run(text)});
  }

  static TableCell cell(const std::string& text = "x") { return TableCell{{para(text)}, std::nullopt}; }

  static TableRow row(std::size_t cells) {
    TableRow r;
    for (std::size_t i = 0; i < cells; ++i) r.cells.push_back(cell());
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
  static TableItem wrap(TableItem inner, std::optional<TableBorder> cellBorder = std::nullopt) {
    TableItem outer;
    outer.rows = {TableRow{{TableCell{{std::move(inner)}, cellBorder}}, std::nullopt, 0, std::nullopt}};
    return outer;
  }

  std::string render(const TableItem& table, bool framed = false, double width = 400) {
    return writer.render({table}, width, framed);
  }
};

// Cell widths, row heights and rules are in the tablo-cizgiler golden
// document. Folding a long span list into the last cell must not cost a walk over the
// list for every row: a million columns over fifty thousand rows.
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

TEST_F(BlockWriterTest, RegionColour) {
  for (std::optional<std::uint32_t> colour :
       {std::optional<std::uint32_t>(0x1F1F1F), std::optional<std::uint32_t>(0xF5F5F5),
        std::optional<std::uint32_t>()})
    EXPECT_EQ(writer.region({}, 400, colour, "udf-footer"), "<div class=\"udf-footer\"></div>");
  EXPECT_EQ(writer.region({}, 400, 0x808080, "udf-footer"),
            "<div class=\"udf-footer\" style=\"color:#808080\"></div>");
  const std::string html = writer.region({para("Sayfa 1")}, 400, std::nullopt, "udf-footer");
  EXPECT_NE(html.find(">Sayfa 1</span></p>\n</div>"), std::string::npos);
}

TEST_F(BlockWriterTest, VisibleContent) {
  EXPECT_FALSE(DocumentWriter::hasVisibleContent({}));
  EXPECT_FALSE(DocumentWriter::hasVisibleContent({para(" \t  "), para("")}));
  ParagraphItem spaces;
  spaces.runs = {run("   "), run("\u2028 \u00A0")};
  EXPECT_FALSE(DocumentWriter::hasVisibleContent({spaces}));
  ParagraphItem image;
  image.runs = {run("")};
  image.runs[0].image = InlineImage{"AAAA", "image/png", 5, 5};
  EXPECT_TRUE(DocumentWriter::hasVisibleContent({image}));
  TableItem table;
  table.rows = {TableRow{}, row(0)};
  table.rows[1].cells = {cell(" "), cell("")};
  EXPECT_FALSE(DocumentWriter::hasVisibleContent({table}));
  table.rows[1].cells.push_back(cell("İmza"));
  EXPECT_TRUE(DocumentWriter::hasVisibleContent({table}));
}

}  // namespace
}  // namespace maravel
