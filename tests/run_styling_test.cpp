#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "html/document_writer.hpp"
#include "html/html_escape.hpp"
#include "tests/support/model_values.hpp"

namespace maravel {
namespace {

class RunStylingTest : public ::testing::Test {
 protected:
  FontBook fonts;
  DocumentWriter writer{fonts};

  static TextRun run(double size = 12) { return testing::textRun("x", size); }
};

TEST_F(RunStylingTest, ClassesAreNumberedDenselyAndReused) {
  TextRun plain = run();
  TextRun bold = run();
  bold.bold = true;
  EXPECT_EQ(writer.runClass(plain), "s0");
  EXPECT_EQ(writer.runClass(bold), "s1");
  const std::string before = writer.classCSS;
  plain.text = "other text, same formatting";
  EXPECT_EQ(writer.runClass(plain), "s0");
  EXPECT_EQ(writer.classCSS, before);
  EXPECT_EQ(writer.classNames.size(), 2u);
  // The key includes the dark override.
  EXPECT_EQ(writer.styleClass("a;", std::nullopt), "s2");
  EXPECT_EQ(writer.styleClass("a;", std::string("b;")), "s3");
  EXPECT_EQ(writer.styleClass("a;", std::nullopt), "s2");
  EXPECT_EQ(writer.classCSS, before + ".s2{a;}\n.s3{a;}\n");
  EXPECT_EQ(writer.darkCSS, ".s3{b;}\n");
}

// Family, size, weight, slant, decorations, position and colours with their
// dark overrides are in the renkler golden document. A hostile family name on a whole page is the page
// writer's and the browser safety suite's case.
TEST(CSSStringTest, EscapesWhatCouldEndStringRuleOrElement) {
  EXPECT_EQ(escapeCSSString("Times New Roman"), "Times New Roman");
  EXPECT_EQ(escapeCSSString("Şule Ğ"), "Şule Ğ");
  EXPECT_EQ(escapeCSSString("a\"b\\c"), "a\\\"b\\\\c");
  EXPECT_EQ(escapeCSSString("<>{};"), "\\3c \\3e \\7b \\7d \\3b ");
  EXPECT_EQ(escapeCSSString("a\nb\x7F"), "a\\a b\\7f ");
  EXPECT_EQ(escapeCSSString("\xC2\x85"), "\\85 ");
  EXPECT_EQ(escapeCSSString("\xED\xBF\xBF"), "\\fffd \\fffd \\fffd ");  // U+DFFF, a surrogate
  EXPECT_EQ(escapeCSSString("\xFF"
                            "a\xE2\x80"),
            "\\fffd a\\fffd \\fffd ");
}

TEST(HTMLEscapeTest, AmpersandFirst) {
  EXPECT_EQ(escapeHTML("<a href='x'>\"&lt;\"</a>"),
            "&lt;a href=&#39;x&#39;&gt;&quot;&amp;lt;&quot;&lt;/a&gt;");
  EXPECT_EQ(hexColor(0xab), "#0000AB");
  EXPECT_EQ(hexColor(0xFF123456), "#123456");
}

TEST(FormatTest, RoundsHalfAwayFromZeroToTwoDecimalsAndIsTotal) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  // clang-format off
  const std::pair<double, const char*> cases[] = {
      {841.8899, "841.89"}, {595.28, "595.28"}, {12.005, "12.01"}, {-0.75, "-0.75"}, {12.5, "12.5"},
      {595, "595"}, {-12, "-12"}, {0.004, "0"}, {-0.001, "0"}, {-0.0, "0"}, {0.29, "0.29"}, {1e-7, "0"},
      {nan, "0"}, {inf, "0"}, {-inf, "0"}, {1e300, "9223372036854774784"}, {-1e300, "-9223372036854774784"},
      {std::ldexp(1.0, 63), "9223372036854774784"}, {1e15 + 0.5, "1000000000000000.5"}
  };
  // clang-format on
  for (const auto& [value, text] : cases) EXPECT_EQ(DocumentWriter::fmt(value), text) << value;
  // clang-format off
  const std::pair<double, const char*> lengths[] = {
      {0, "0"}, {-0.0, "0"}, {0.001, "calc(0*var(--u))"}, {-7.5, "calc(-7.5*var(--u))"},
      {nan, "calc(0*var(--u))"}
  };
  // clang-format on
  for (const auto& [value, text] : lengths) EXPECT_EQ(DocumentWriter::u(value), text) << value;
}

}  // namespace
}  // namespace maravel
