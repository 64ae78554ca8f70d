#include "html/font_book.hpp"

#include <gtest/gtest.h>

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

TEST_F(FontBookTest, FamilyNamesResolve) {
  const std::string georgia = book.installed().contains("georgia") ? "Georgia" : "Times New Roman";
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      // Logical names give fixed families.
      {"", "Arial"}, {"serif", "Times New Roman"}, {"Serif", "Times New Roman"}, {"monospaced", "Courier New"},
      {"SansSerif", "Arial"}, {"dialog", "Arial"}, {"DialogInput", "Arial"},
      // The first non-empty piece is looked up; only spaces and quotes are trimmed.
      {",,Georgia", georgia}, {" , Georgia", "Arial"}, {"'Liberation Serif', Arial", "Liberation Serif"},
      {"No Such Family, Liberation Serif", "Arial"}, {"\"Courier New\"", "Courier New"},
      {" 'Liberation Mono' ", "Liberation Mono"}, {"\tLiberation Mono", "Courier New"},
      // Installed names match in any case; metric-compatible ones keep their own name.
      {"LIBERATION SANS", "Liberation Sans"}, {"liberation sans", "Liberation Sans"}, {"ARIAL", "Arial"},
      {"times new ROMAN", "Times New Roman"}, {"Calibri", "Calibri"}, {"Cambria", "Cambria"},
      // Families that are not installed keep their class, as fontconfig or their words tell; only
      // fontconfig's strong aliases count as metric-compatible, so these keep no name of their own.
      {"Century751 B", "Times New Roman"}, {"Book Antiqua", "Times New Roman"}, {"Consolas", "Courier New"},
      {"Century Gothic", "Arial"}, {"Microsoft Sans Serif", "Arial"}, {"Uydurma Mono", "Courier New"}};
  // clang-format on
  for (const auto& [name, family] : cases) EXPECT_EQ(book.family(name), family) << name;
  EXPECT_EQ(book.installed().at("liberation sans"), "Liberation Sans");
  EXPECT_EQ(book.installed().at("calibri"), "Calibri");
  // A family with several names lists every name.
  EXPECT_EQ(book.installed().contains("dejavu sans"), book.installed().contains("dejavu sans condensed"));
}

TEST_F(FontBookTest, UnknownFamiliesBeyondTheLookupBoundAreClassedByTheirNames) {
  for (int i = 0; i < FontBook::kMaxAliasLookups; ++i) {
    EXPECT_EQ(book.family("Uydurma Yazı " + std::to_string(i)), "Arial");
  }
  // A metric-compatible name asked after the bound is no longer looked up;
  // names already resolved or installed are unaffected.
  EXPECT_EQ(book.family("Cambria"), "Times New Roman");
  EXPECT_EQ(book.family("Liberation Serif"), "Liberation Serif");
}

TEST_F(FontBookTest, WidthsAreTheFaceAdvancesInPoints) {
  // Liberation Serif: "A" 1479 and "d" 1024 of 2048 units.
  EXPECT_NEAR(book.width("Ad", runIn("Times New Roman"), 12), 12.0 * (1479 + 1024) / 2048, 1e-9);
  EXPECT_NEAR(book.width("Ad", runIn("Times New Roman"), 24), 2 * book.width("Ad", runIn("serif"), 12), 1e-9);
  EXPECT_EQ(book.width("", runIn("No Such Family"), 12), 0);
  // Turkish letters and invalid bytes measure too.
  EXPECT_GT(book.width("ğüşıöçĞÜŞİÖÇ", runIn("Times New Roman"), 12), 0);
  EXPECT_GT(book.width("\xff\xfe", runIn("Times New Roman"), 12), 0);
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
  for (const auto& [bold, italic] : {std::pair{false, true}, {true, false}, {true, true}})
    EXPECT_EQ(book.width(text, runIn("DejaVu Math TeX Gyre", bold, italic), 12), plain) << bold << italic;
}

TEST_F(FontBookTest, KerningAndLigaturesAreOff) {
  for (const char* family : {"Times New Roman", "Arial", "Calibri", "DejaVu Sans"}) {
    const auto w = [&](const std::string& text) { return book.width(text, runIn(family), 12); };
    for (const std::string pair : {"AV", "To", "fi", "fl"}) {
      EXPECT_DOUBLE_EQ(w(pair), w(pair.substr(0, 1)) + w(pair.substr(1))) << family << pair;
    }
    EXPECT_DOUBLE_EQ(w("ffl"), 2 * w("f") + w("l")) << family;
  }
}

// Words are shaped once per font file; the glyphs must stay those of the text shaped whole.
TEST_F(FontBookTest, AdvancesBeforeAddUpTheShapedText) {
  for (const std::string text :
       {"Dava  dava 2024/17 dava\xCC\x81 ", "ab \xD8\xB3\xD9\x84\xD8\xA7\xD9\x85 ab", "  x  "}) {
    for (const double size : {12.0, 10.5}) {
      const fonts::FontFace& face = book.font(runIn("DejaVu Sans"), size);
      std::vector<double> expected(text.size() + 1, 0.0);
      for (const fonts::ShapedGlyph& glyph : face.shape(text)) expected[glyph.cluster + 1] += glyph.advance;
      for (std::size_t i = 1; i < expected.size(); ++i) expected[i] += expected[i - 1];
      EXPECT_EQ(face.advancesBefore(text), expected) << text << size;
      EXPECT_DOUBLE_EQ(expected.back(), face.advance(text)) << text << size;  // shaped whole
    }
  }
}

TEST(FontFaceTest, UnknownFamiliesStillMeasure) {
  auto face = fonts::createFace("No Such Family At All", 12, false, false);
  ASSERT_NE(face, nullptr);
  EXPECT_GE(face->advance("abc"), 0);
}

}  // namespace
}  // namespace maravel
