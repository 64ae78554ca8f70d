#include "model/udf_document.hpp"

#include <gtest/gtest.h>

namespace maravel {
namespace {

TEST(PagePropertiesTest, DefaultsAreA4PortraitWithOneAndAHalfCentimetreMargins) {
  PageProperties page;
  EXPECT_EQ(page.leftMargin, 42.52);
  EXPECT_EQ(page.rightMargin, 42.52);
  EXPECT_EQ(page.topMargin, 42.52);
  EXPECT_EQ(page.bottomMargin, 42.52);
  EXPECT_EQ(page.pageWidth(), 595.28);
  EXPECT_EQ(page.pageHeight(), 841.89);
}

TEST(PagePropertiesTest, OrientationAndMediaSizeChooseThePaper) {
  PageProperties a5Landscape;
  a5Landscape.orientation = 0;
  a5Landscape.mediaSize = 2;
  EXPECT_EQ(a5Landscape.pageWidth(), 595.28);
  EXPECT_EQ(a5Landscape.pageHeight(), 419.53);

  PageProperties a5Portrait;
  a5Portrait.mediaSize = 2;
  EXPECT_EQ(a5Portrait.pageWidth(), 419.53);
  EXPECT_EQ(a5Portrait.pageHeight(), 595.28);

  PageProperties a4Landscape;
  a4Landscape.orientation = 0;
  EXPECT_EQ(a4Landscape.pageWidth(), 841.89);
  EXPECT_EQ(a4Landscape.pageHeight(), 595.28);

  // Unknown codes mean portrait A4.
  PageProperties unknown;
  unknown.orientation = 7;
  unknown.mediaSize = 3;
  EXPECT_EQ(unknown.pageWidth(), 595.28);
  EXPECT_EQ(unknown.pageHeight(), 841.89);
}

TEST(TextAlignmentTest, RawValuesOutsideZeroToThreeGiveNothing) {
  EXPECT_EQ(textAlignmentFromRaw(0), TextAlignment::left);
  EXPECT_EQ(textAlignmentFromRaw(1), TextAlignment::center);
  EXPECT_EQ(textAlignmentFromRaw(2), TextAlignment::right);
  EXPECT_EQ(textAlignmentFromRaw(3), TextAlignment::justify);
  EXPECT_FALSE(textAlignmentFromRaw(4));
  EXPECT_FALSE(textAlignmentFromRaw(-1));
  EXPECT_EQ(rawValue(TextAlignment::justify), 3);
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
  EXPECT_TRUE(doc.elements.empty());
  EXPECT_TRUE(doc.headerElements.empty());
  EXPECT_TRUE(doc.footerElements.empty());
  EXPECT_EQ(doc.headerStartPage, 1);
  EXPECT_FALSE(doc.headerColor);
  EXPECT_FALSE(doc.footerColor);
  EXPECT_FALSE(doc.signature.isSigned);
  EXPECT_TRUE(doc.signature.signerName.empty() && doc.signature.issuer.empty());
  EXPECT_TRUE(doc.verificationCode.empty() && doc.webID.empty() && doc.rawText.empty());
  EXPECT_EQ(doc.pageProps, PageProperties());
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

}  // namespace
}  // namespace maravel
