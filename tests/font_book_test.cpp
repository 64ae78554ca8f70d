#include "html/font_book.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/fonts/font_face.hpp"

namespace maravel {
namespace {

TextRun runIn(const std::string& family, bool bold = false, bool italic = false) {
  TextRun run;
  run.fontFamily = family;
  run.bold = bold;
  run.italic = italic;
  return run;
}

class FontBookTest : public ::testing::Test {
 protected:
  FontBook book;
};

TEST_F(FontBookTest, LogicalNamesGiveFixedFamilies) {
  EXPECT_EQ(book.family(""), "Arial");
  EXPECT_EQ(book.family("serif"), "Times New Roman");
  EXPECT_EQ(book.family("Serif"), "Times New Roman");
  EXPECT_EQ(book.family("monospaced"), "Courier New");
  EXPECT_EQ(book.family("SansSerif"), "Arial");
  EXPECT_EQ(book.family("dialog"), "Arial");
  EXPECT_EQ(book.family("DialogInput"), "Arial");
}

TEST_F(FontBookTest, FirstNonEmptyPieceIsLookedUp) {
  const std::string georgia = book.installed().contains("georgia") ? "Georgia" : "Arial";
  EXPECT_EQ(book.family(",,Georgia"), georgia);
  EXPECT_EQ(book.family(" , Georgia"), "Arial");
  EXPECT_EQ(book.family("'Liberation Serif', Arial"), "Liberation Serif");
  EXPECT_EQ(book.family("No Such Family, Liberation Serif"), "Arial");
}

TEST_F(FontBookTest, OnlySpacesAndQuotesAreTrimmed) {
  EXPECT_EQ(book.family("\"Courier New\""), book.family("Courier New"));
  EXPECT_EQ(book.family(" 'Liberation Mono' "), "Liberation Mono");
  EXPECT_EQ(book.family("\tLiberation Mono"), "Arial");
}

TEST_F(FontBookTest, InstalledNamesMatchInAnyCase) {
  EXPECT_EQ(book.family("LIBERATION SANS"), "Liberation Sans");
  EXPECT_EQ(book.family("liberation sans"), "Liberation Sans");
  EXPECT_EQ(book.installed().at("liberation sans"), "Liberation Sans");
}

TEST_F(FontBookTest, FamiliesWithSeveralNamesListEveryName) {
  const auto& installed = book.installed();
  if (!installed.contains("dejavu sans")) GTEST_SKIP() << "DejaVu Sans is not installed";
  EXPECT_TRUE(installed.contains("dejavu sans condensed"));
}

TEST_F(FontBookTest, MetricCompatibleFamiliesKeepTheirOwnName) {
  EXPECT_EQ(book.family("Times New Roman"), "Times New Roman");
  EXPECT_EQ(book.family("Arial"), "Arial");
  EXPECT_EQ(book.family("ARIAL"), "Arial");
  EXPECT_EQ(book.family("times new ROMAN"), "Times New Roman");
  EXPECT_EQ(book.family("Courier New"), "Courier New");
  EXPECT_EQ(book.family("Calibri"), "Calibri");
  EXPECT_EQ(book.family("Cambria"), "Cambria");
  EXPECT_EQ(book.installed().at("calibri"), "Calibri");
}

TEST_F(FontBookTest, UnknownFamiliesBeyondTheLookupBoundGiveArialAtOnce) {
  for (int i = 0; i < FontBook::kMaxAliasLookups; ++i) {
    EXPECT_EQ(book.family("Uydurma Yazı " + std::to_string(i)), "Arial");
  }
  // A metric-compatible name asked after the bound is no longer looked up;
  // names already resolved or installed are unaffected.
  EXPECT_EQ(book.family("Cambria"), "Arial");
  EXPECT_EQ(book.family("Liberation Serif"), "Liberation Serif");
}

TEST(FontConfigTest, OnlyStrongAliasesCountAsCompatible) {
  EXPECT_EQ(fonts::metricCompatibleFamily("Times New Roman"), "Times New Roman");
  EXPECT_EQ(fonts::metricCompatibleFamily("calibri"), "Calibri");
  EXPECT_EQ(fonts::metricCompatibleFamily("Georgia Pro Nonexistent"), std::nullopt);
  EXPECT_EQ(fonts::metricCompatibleFamily("Comic Sans MS"), std::nullopt);
  EXPECT_EQ(fonts::metricCompatibleFamily(""), std::nullopt);
}

TEST(FontConfigTest, FamilyListIsNotEmpty) {
  const auto names = fonts::availableFamilies();
  EXPECT_NE(std::find(names.begin(), names.end(), "Liberation Serif"), names.end());
}

TEST_F(FontBookTest, EmptyTextMeasuresZeroWithoutAFont) {
  EXPECT_EQ(book.width("", runIn("No Such Family"), 12), 0);
  EXPECT_EQ(book.width("x", runIn("Times New Roman"), 12) > 0, true);
}

TEST_F(FontBookTest, WidthsAreTheFaceAdvancesInPoints) {
  // Liberation Serif: "A" 1479 and "d" 1024 of 2048 units.
  EXPECT_NEAR(book.width("Ad", runIn("Times New Roman"), 12), 12.0 * (1479 + 1024) / 2048, 1e-9);
  EXPECT_NEAR(book.width("Ad", runIn("Times New Roman"), 12), 14.66, 0.01);
  EXPECT_NEAR(book.width("Ad", runIn("Times New Roman"), 24), 2 * book.width("Ad", runIn("serif"), 12), 1e-9);
}

// A document can set every run in its own size; each new size makes a face
// but must not match the family again. Ten thousand sizes of one family.
TEST_F(FontBookTest, ManySizesOfOneFamilyMeasureInTheSameFace) {
  const TextRun run = runIn("Times New Roman");
  const double unit = book.width("Ad", run, 1);
  for (int i = 1; i <= 10000; ++i) {
    const double size = 8 + i * 0.001;
    ASSERT_NEAR(book.width("Ad", run, size), unit * size, 1e-9) << size;
  }
}

TEST_F(FontBookTest, BoldAndItalicUseTheirFaces) {
  const double regular = book.width("Hamdi Bey", runIn("Arial"), 12);
  const double bold = book.width("Hamdi Bey", runIn("Arial", true), 12);
  const double italic = book.width("Hamdi Bey", runIn("Liberation Serif", false, true), 12);
  EXPECT_GT(bold, regular);
  EXPECT_NE(italic, book.width("Hamdi Bey", runIn("Liberation Serif"), 12));
  EXPECT_NE(&book.font(runIn("Arial", true, true), 12), &book.font(runIn("Arial", true), 12));
  EXPECT_EQ(&book.font(runIn("Arial", true), 12), &book.font(runIn("arial", true), 12.0));
}

TEST_F(FontBookTest, MissingTraitFacesLeaveThePlainFace) {
  if (!book.installed().contains("dejavu math tex gyre")) GTEST_SKIP() << "no single-face family installed";
  const std::string text = "Esas No 2024/17";
  const double plain = book.width(text, runIn("DejaVu Math TeX Gyre"), 12);
  EXPECT_EQ(book.width(text, runIn("DejaVu Math TeX Gyre", false, true), 12), plain);
  EXPECT_EQ(book.width(text, runIn("DejaVu Math TeX Gyre", true, false), 12), plain);
  EXPECT_EQ(book.width(text, runIn("DejaVu Math TeX Gyre", true, true), 12), plain);
}

TEST_F(FontBookTest, KerningAndLigaturesAreOff) {
  for (const char* family : {"Times New Roman", "Arial", "Calibri", "DejaVu Sans"}) {
    const TextRun run = runIn(family);
    EXPECT_DOUBLE_EQ(book.width("AV", run, 12), book.width("A", run, 12) + book.width("V", run, 12))
        << family;
    EXPECT_DOUBLE_EQ(book.width("To", run, 12), book.width("T", run, 12) + book.width("o", run, 12))
        << family;
    EXPECT_DOUBLE_EQ(book.width("fi", run, 12), book.width("f", run, 12) + book.width("i", run, 12))
        << family;
    EXPECT_DOUBLE_EQ(book.width("ffl", run, 12), 2 * book.width("f", run, 12) + book.width("l", run, 12))
        << family;
  }
}

TEST_F(FontBookTest, TurkishLettersAndInvalidBytesMeasure) {
  const TextRun run = runIn("Times New Roman");
  EXPECT_GT(book.width("ğüşıöçĞÜŞİÖÇ", run, 12), 0);
  EXPECT_GT(book.width("\xff\xfe", run, 12), 0);
}

TEST(FontBookKeyTest, NumbersKeepAFractionalDigit) {
  EXPECT_EQ(FontBook::keyNumber(12), "12.0");
  EXPECT_EQ(FontBook::keyNumber(10.5), "10.5");
  EXPECT_EQ(FontBook::keyNumber(32.0 / 3), "10.666666666666666");
  EXPECT_EQ(FontBook::keyNumber(9.6), "9.6");
  EXPECT_EQ(FontBook::keyNumber(0), "0.0");
}

TEST(FontFaceTest, UnknownFamiliesStillMeasure) {
  auto face = fonts::createFace("No Such Family At All", 12, false, false);
  ASSERT_NE(face, nullptr);
  EXPECT_GE(face->advance("abc"), 0);
}

}  // namespace
}  // namespace maravel
