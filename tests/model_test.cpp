#include <gtest/gtest.h>

#include "model/udf_document.hpp"

namespace maravel {
namespace {

TEST(PagePropertiesTest, OrientationAndMediaSizeChooseThePaper) {
  PageProperties page;
  EXPECT_EQ(std::vector<double>({page.leftMargin, page.rightMargin, page.topMargin, page.bottomMargin}),
            std::vector<double>(4, 42.52));
  // orientation, mediaSize -> width, height; unknown codes mean portrait A4.
  // clang-format off
  const struct {
    int orientation, mediaSize;
    double width, height;
  } cases[] = {
      {1, 1, 595.28, 841.89}, {0, 2, 595.28, 419.53}, {1, 2, 419.53, 595.28}, {0, 1, 841.89, 595.28},
      {7, 3, 595.28, 841.89}
  };
  // clang-format on
  for (const auto& c : cases) {
    page.orientation = c.orientation;
    page.mediaSize = c.mediaSize;
    EXPECT_EQ(page.pageWidth(), c.width) << c.orientation << c.mediaSize;
    EXPECT_EQ(page.pageHeight(), c.height) << c.orientation << c.mediaSize;
  }
}

TEST(TextAlignmentTest, RawValuesOutsideZeroToThreeGiveNothing) {
  for (int raw = 0; raw <= 3; ++raw) EXPECT_EQ(rawValue(textAlignmentFromRaw(raw).value()), raw);
  EXPECT_FALSE(textAlignmentFromRaw(4));
  EXPECT_FALSE(textAlignmentFromRaw(-1));
  EXPECT_EQ(textAlignmentFromRaw(3), TextAlignment::justify);
}

TextRun run(std::string text) {
  TextRun r;
  r.text = std::move(text);
  return r;
}

TEST(ParagraphItemTest, FullTextJoinsRunsAndSkipsPictures) {
  ParagraphItem paragraph;
  EXPECT_EQ(paragraph.fullText(), "");

  TextRun picture = run("");
  picture.image = InlineImage{"iVBORw0KGgo=", "image/png", 10, 10};
  paragraph.runs = {run("ab"), picture, run("c")};
  EXPECT_EQ(paragraph.fullText(), "abc");
}

TEST(UDFDocumentTest, DefaultsDescribeAnEmptyUnsignedDocument) {
  UDFDocument doc;
  EXPECT_EQ(doc.headerStartPage, 1);
  EXPECT_FALSE(doc.headerColor || doc.footerColor || doc.signature.isSigned);
}

TEST(UDFDocumentTest, CopiesAreDeepValues) {
  ParagraphItem paragraph;
  paragraph.runs = {run("hücre")};
  TableCell cell;
  cell.elements.push_back(paragraph);
  TableRow row;
  row.cells = {cell};
  TableItem table;
  table.rows.push_back(row);

  UDFDocument original;
  original.elements.push_back(table);
  UDFDocument copy = original;
  ASSERT_EQ(copy, original);

  auto& copiedTable = std::get<TableItem>(copy.elements[0]);
  auto& copiedParagraph = std::get<ParagraphItem>(copiedTable.rows[0].cells[0].elements[0]);
  copiedParagraph.runs[0].text = "değişti";
  EXPECT_NE(copy, original);
  EXPECT_EQ(original.elements[0].table()->rows[0].cells[0].elements[0].paragraph()->runs[0].text, "hücre");
}

TEST(TabStopListTest, CopiesShareTheStopsAndCompareByContent) {
  const TabStopList stops = std::vector<TabStop>{{36, 0}, {72, 1}};
  const TabStopList copy = stops;
  const TabStopList equal{{36, 0}, {72, 1}};
  EXPECT_EQ(copy.identity(), stops.identity());
  EXPECT_NE(equal.identity(), stops.identity());
  EXPECT_EQ(equal, stops);
  EXPECT_NE(equal, (TabStopList{{36, 0}}));
  EXPECT_EQ(stops.size(), 2u);
  EXPECT_EQ(stops[1].alignment, 1);
  EXPECT_EQ(std::vector<TabStop>(stops.begin(), stops.end()), stops.stops());
  EXPECT_TRUE(TabStopList().empty());
  EXPECT_EQ(TabStopList(), TabStopList(std::vector<TabStop>{}));
}

}  // namespace
}  // namespace maravel
