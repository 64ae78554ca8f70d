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

  static TableBorder border(const std::string& kind, std::optional<std::uint32_t> color = std::nullopt) {
    return TableBorder{kind, color, 1.0};
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

// A cell's width and the named edges ("tblr": top, bottom, left, right) drawn as rules.
std::string cellStyle(const std::string& width, const std::string& edges,
                      const std::string& rule = "max(1px,calc(1*var(--u))) solid var(--rule)") {
  std::string style = "width:calc(" + width + "*var(--u));";
  for (const auto& [key, name] : {std::pair{'t', "top"}, {'b', "bottom"}, {'l', "left"}, {'r', "right"}}) {
    if (edges.find(key) != std::string::npos) style += std::string("border-") + name + ":" + rule + ";";
  }
  return style;
}

TEST_F(BlockWriterTest, EachElementEndsWithALineFeed) {
  EXPECT_EQ(writer.render({}, 400, false), "");
  const std::string html = writer.render({para("a"), para("")}, 400, false);
  EXPECT_EQ(std::count(html.begin(), html.end(), '\n'), 2);
  EXPECT_EQ(html.back(), '\n');
  EXPECT_NE(html.find("</p>\n<p class=\"udf-p "), std::string::npos);
  TableItem empty;
  empty.rows = {TableRow{}, TableRow{}};
  EXPECT_EQ(render(empty), "\n");
}

TEST_F(BlockWriterTest, CellWidthsFromRowOrTableSpans) {
  using Spans = std::vector<double>;  // empty: none given
  const auto given = [](const Spans& spans) { return spans.empty() ? std::nullopt : std::optional(spans); };
  const struct {
    std::size_t cells;
    Spans rowSpans, tableSpans;
    std::vector<double> widths;
  } cases[] = {{3, Spans({2, 1, 1}), {}, {200, 100, 100}},
               {2, {}, Spans({1, 1, 2}), {100, 300}},          // surplus columns fold into the last cell
               {2, Spans({3, 1, 1}), Spans({1}), {200, 200}},  // wrong lengths are replaced
               {2, Spans({0, -3}), {}, {200, 200}},            // no positive span: equal split
               {2, Spans({-1, 3}), {}, {0, 400}}};
  for (const auto& c : cases) {
    TableItem table;
    table.rows = {row(c.cells)};
    table.rows[0].columnSpans = given(c.rowSpans);
    table.columnSpans = given(c.tableSpans);
    std::vector<std::string> expected;
    for (double width : c.widths)
      expected.push_back(width == 0 ? "width:0;" : "width:" + DocumentWriter::u(width) + ";");
    EXPECT_EQ(cellStyles(render(table)), expected) << c.widths.front();
  }
}

// Folding a long span list into the last cell must not cost a walk over the
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

TEST_F(BlockWriterTest, RowHeights) {
  TableItem table;
  table.rows = {row(1)};
  for (double height : {0.0, 1500.0, 2000.0, -5.0}) {
    table.rows[0].height = height;
    EXPECT_EQ(render(table).rfind("<table class=\"udf-row\"><tr><td", 0), 0u) << height;
  }
  table.rows[0].height = 20;
  EXPECT_EQ(render(table).rfind("<table class=\"udf-row\"><tr style=\"height:calc(20*var(--u))\"><td", 0),
            0u);
}

TEST_F(BlockWriterTest, TableBorderDrawsOnlyTheOuterFrame) {
  TableItem table;
  table.rows = {row(3)};
  table.border = border("borderTable");
  EXPECT_EQ(cellStyles(render(table)),
            (std::vector<std::string>{cellStyle("133.33", "tbl"), cellStyle("133.33", "tb"),
                                      cellStyle("133.33", "tbr")}));
  EXPECT_EQ(cellStyles(render(table, true)), std::vector<std::string>(3, cellStyle("133.33", "")));
  // A cell holding a table without a border of its own passes framed = false.
  EXPECT_EQ(cellStyles(render(wrap(table))),
            (std::vector<std::string>{cellStyle("400", "") + "padding:0;", cellStyle("133.33", "tbl"),
                                      cellStyle("133.33", "tb"), cellStyle("133.33", "tbr")}));
}

// A grid of cells inside a framing cell and the near-white rule are on the
// tablolar golden page.
TEST_F(BlockWriterTest, BorderColours) {
  TableItem table;
  table.rows = {row(1)};
  const std::pair<TableBorder, std::string> cases[] = {
      {border("borderCell", 0xFFFFFF), cellStyle("400", "")},      // white draws nothing
      {border("borderCell", 0x000000), cellStyle("400", "tblr")},  // black is the theme's rule
      {border("borderCell"), cellStyle("400", "tblr")},
      {border("dotted", 0x336699), cellStyle("400", "")},  // unknown kinds draw nothing
      {TableBorder{"borderCell", 0x336699, 0.5},
       cellStyle("400", "tblr", "max(1px,calc(0.5*var(--u))) solid #336699")}};
  for (const auto& [given, style] : cases) {
    table.border = given;
    EXPECT_EQ(cellStyles(render(table))[0], style) << given.kind;
  }

  // The cell's border wins over the row's, the row's over the table's.
  table.rows = {row(2)};
  table.border = border("borderCell", 0x111111);
  table.rows[0].border = border("borderCell", 0x336699);
  table.rows[0].cells[1].border = border("borderCell", 0xAA0000);
  const std::vector<std::string> styles = cellStyles(render(table));
  EXPECT_NE(styles[0].find("#336699"), std::string::npos);
  EXPECT_NE(styles[1].find("#AA0000"), std::string::npos);
}

TEST_F(BlockWriterTest, CellContentIsLaidOutInsideThePadding) {
  // A 60-point cell leaves 57 points: the tab after "a" wraps and its box
  // is clipped at the line end.
  TableItem table;
  table.rows = {TableRow{{cell("a\tb"), cell()}, std::vector<double>{60, 340}, 0, std::nullopt}};
  const std::string html = render(table);
  EXPECT_NE(html.find("udf-tab\" style=\"width:calc(57*var(--u))\""), std::string::npos);
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
