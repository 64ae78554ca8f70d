#include "reader/list_numbering.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <limits>
#include <string>

#include "reader/element_builder.hpp"
#include "reader/xml_tree.hpp"

namespace maravel {
namespace {

// Builds the paragraphs of a block list and collects their markers ("-" for
// none), the way the body of a document is numbered.
class ListNumberingTest : public ::testing::Test {
 protected:
  std::vector<std::string> markers(std::string_view body, StyleSheet styles = {}) {
    trees_.push_back(parseXMLTree(body));
    const XMLNode& elements = trees_.back().root.children.at(0);
    ElementBuilder builder(std::move(styles), "", elements.attributes);
    ListNumbering numbering;
    std::vector<std::string> result;
    for (const DocumentElement& element : builder.elements(elements, numbering)) {
      result.push_back(element.paragraph()->listMarker.value_or("-"));
    }
    return result;
  }

  using Markers = std::vector<std::string>;
  std::deque<XMLParseResult> trees_;
};

TEST_F(ListNumberingTest, MarkersOfTheBlockList) {
  const std::pair<std::string, Markers> cases[] = {
      // Plain numbered and bulleted paragraphs.
      {R"(<paragraph numbered="true" /><paragraph numbered="true" /><paragraph />
       <paragraph numbered="true" /><paragraph bulleted="true" /><paragraph numbered="True" />)",
       {"1.", "2.", "-", "3.", "●", "-"}},
      // Deeper levels restart after returning up.
      {R"(<paragraph numbered="true" listId="1" ListLevel="1" /><paragraph numbered="true" listId="1" ListLevel="2" />
       <paragraph numbered="true" listId="1" ListLevel="2" /><paragraph numbered="true" listId="1" ListLevel="1" />
       <paragraph numbered="true" listId="1" ListLevel="2" /><paragraph numbered="true" listId="1" ListLevel="3" />
       <paragraph numbered="true" listId="1" ListLevel="7" />)",
       {"1.", "a.", "b.", "2.", "a.", "i.", "1."}},
      // Lists with different ids count separately.
      {R"(<paragraph numbered="true" listId="A" /><paragraph numbered="true" listId="B" />
       <paragraph numbered="true" listId="A" /><paragraph numbered="true" />
       <paragraph bulleted="true" /><paragraph numbered="true" />)",
       {"1.", "1.", "2.", "1.", "●", "3."}},
      // Unusable levels count as level one.
      {R"(<paragraph numbered="true" ListLevel="0" /><paragraph numbered="true" ListLevel="-3" />
       <paragraph numbered="true" ListLevel="x" /><paragraph numbered="true" ListLevel=" 2" />)",
       {"1.", "2.", "3.", "4."}},
      // Format names any case and punctuation.
      {R"(<paragraph numbered="true" listId="p" NumberType="paren_char_small" />
       <paragraph numbered="true" listId="p" NumberType="paren_char_small" />
       <paragraph numbered="true" listId="r" NumberType="NUMBER_TYPE_ROMAN_BIG_PARANTHESE" numberSetted="3" />
       <paragraph numbered="true" listId="t" NumberType="NUMBER_TYPE_CHAR_BIG_TRE" numberSetted="3" />
       <paragraph numbered="true" listId="u" NumberType="UNKNOWN" />
       <paragraph numbered="true" listId="v" NumberType="BULLET_TYPE_ARROW" />
       <paragraph bulleted="true" listId="w" BulletType="BULLET_TYPE_DIAMOND" />
       <paragraph bulleted="true" listId="w" ListLevel="2" />
       <paragraph bulleted="true" listId="w" ListLevel="3" secListTypeLevel3="bullet_type_triangle" />
       <paragraph numbered="true" listId="x" ListLevel="3" NumberType="PAREN_NUMBER" />
       <paragraph numbered="true" listId="x" ListLevel="3" secListTypeLevel3="NUMBER_TYPE_NUMBER_DOT" />)",
       {"(a)", "(b)", "IV)", "Ç-", "1.", "➤", "◆", "▪", "►", "i.", "2."}},
      // Number setted sets the counter before the increment.
      {R"(<paragraph numbered="true" numberSetted="4" /><paragraph numbered="true" />
       <paragraph numbered="true" numberSetted="-7" />)",
       {"5.", "6.", "-6."}},
      // Counters saturate at the largest integer.
      {R"(<paragraph numbered="true" numberSetted="9223372036854775806" />
       <paragraph numbered="true" /><paragraph numbered="true" />
       <paragraph numbered="true" numberSetted="-9223372036854775808" />
       <paragraph numbered="true" listId="r" NumberType="ROMAN_BIG" numberSetted="9223372036854775807" />)",
       {"9223372036854775807.", "9223372036854775807.", "9223372036854775807.", "-9223372036854775807.",
        "9223372036854775807."}}};
  for (const auto& [body, expected] : cases)
    EXPECT_EQ(markers("<elements>" + body + "</elements>"), expected) << body;
}

TEST_F(ListNumberingTest, HugeLevelIsCappedAndUsesTheCappedLevelsFormat) {
  const std::string level = std::to_string(ListNumbering::kMaxListLevel);
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" ListLevel="1000000000" />
      <paragraph numbered="true" ListLevel="9223372036854775807" secListTypeLevel)" +
                    level + R"(="PAREN_NUMBER" />
    </elements>)"),
            (Markers{"(1)", "(2)"}));
}

TEST_F(ListNumberingTest, ListSettingsComeFromStylesAndSection) {
  StyleSheet styles{
      .styles = {{"liste", {{"name", "liste"}, {"numbered", "true"}, {"numbertype", "PAREN_NUMBER"}}}}};
  EXPECT_EQ(markers(R"(<elements listId="ortak">
      <paragraph resolver="liste" /><paragraph resolver="liste" /><paragraph numbered="true" />
    </elements>)",
                    styles),
            (Markers{"(1)", "(2)", "3."}));
}

TEST(ListNumberingFormats, RomanNumeralsAndBijectiveTurkishLetters) {
  const std::int64_t max = std::numeric_limits<std::int64_t>::max();
  // clang-format off
  const std::pair<std::int64_t, const char*> romans[] = {
      {0, "0"}, {-4, "-4"}, {4000, "4000"}, {1994, "MCMXCIV"}, {3999, "MMMCMXCIX"}, {4, "IV"},
      {max, "9223372036854775807"}
  };
  // clang-format on
  for (const auto& [n, text] : romans) EXPECT_EQ(ListNumbering::roman(n), text) << n;
  const auto& upper = ListNumbering::upperLetters;
  ASSERT_EQ(upper.size(), 29u);
  ASSERT_EQ(ListNumbering::lowerLetters.size(), 29u);
  // clang-format off
  const std::pair<std::int64_t, const char*> letters[] = {
      {0, "A"}, {1, "A"}, {29, "Z"}, {30, "AA"}, {58, "AZ"}, {59, "BA"}, {870, "ZZ"}, {871, "AAA"}, {4, "Ç"},
      {9, "Ğ"}, {10, "H"}, {12, "İ"}
  };
  // clang-format on
  for (const auto& [n, text] : letters) EXPECT_EQ(ListNumbering::letters(n, upper), text) << n;
  EXPECT_EQ(ListNumbering::letters(11, ListNumbering::lowerLetters), "ı");
  EXPECT_EQ(ListNumbering::letters(12, ListNumbering::lowerLetters), "i");
  EXPECT_EQ(ListNumbering::letters(5, {}), "");
  EXPECT_FALSE(ListNumbering::letters(max, upper).empty());
}

}  // namespace
}  // namespace maravel
