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
    ElementBuilder builder(std::move(styles), u"", elements.attributes);
    std::vector<std::string> result;
    for (const DocumentElement& element : builder.elements(elements, numbering_)) {
      result.push_back(element.paragraph()->listMarker.value_or("-"));
    }
    return result;
  }

  using Markers = std::vector<std::string>;
  ListNumbering numbering_;
  std::deque<XMLParseResult> trees_;
};

TEST_F(ListNumberingTest, PlainNumberedAndBulletedParagraphs) {
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" /><paragraph numbered="true" /><paragraph />
      <paragraph numbered="true" /><paragraph bulleted="true" /><paragraph numbered="True" />
    </elements>)"),
            (Markers{"1.", "2.", "-", "3.", "●", "-"}));
}

TEST_F(ListNumberingTest, DeeperLevelsRestartAfterReturningUp) {
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" listId="1" ListLevel="1" />
      <paragraph numbered="true" listId="1" ListLevel="2" />
      <paragraph numbered="true" listId="1" ListLevel="2" />
      <paragraph numbered="true" listId="1" ListLevel="1" />
      <paragraph numbered="true" listId="1" ListLevel="2" />
      <paragraph numbered="true" listId="1" ListLevel="3" />
      <paragraph numbered="true" listId="1" ListLevel="7" />
    </elements>)"),
            (Markers{"1.", "a.", "b.", "2.", "a.", "i.", "1."}));
}

TEST_F(ListNumberingTest, ListsWithDifferentIdsCountSeparately) {
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" listId="A" /><paragraph numbered="true" listId="B" />
      <paragraph numbered="true" listId="A" /><paragraph numbered="true" />
      <paragraph bulleted="true" /><paragraph numbered="true" />
    </elements>)"),
            (Markers{"1.", "1.", "2.", "1.", "●", "3."}));
}

TEST_F(ListNumberingTest, UnusableLevelsCountAsLevelOne) {
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" ListLevel="0" /><paragraph numbered="true" ListLevel="-3" />
      <paragraph numbered="true" ListLevel="x" /><paragraph numbered="true" ListLevel=" 2" />
    </elements>)"),
            (Markers{"1.", "2.", "3.", "4."}));
}

TEST_F(ListNumberingTest, FormatNamesAnyCaseAndPunctuation) {
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" listId="p" NumberType="paren_char_small" />
      <paragraph numbered="true" listId="p" NumberType="paren_char_small" />
      <paragraph numbered="true" listId="r" NumberType="NUMBER_TYPE_ROMAN_BIG_PARANTHESE" numberSetted="3" />
      <paragraph numbered="true" listId="t" NumberType="NUMBER_TYPE_CHAR_BIG_TRE" numberSetted="3" />
      <paragraph numbered="true" listId="u" NumberType="UNKNOWN" />
      <paragraph numbered="true" listId="v" NumberType="BULLET_TYPE_ARROW" />
      <paragraph bulleted="true" listId="w" BulletType="BULLET_TYPE_DIAMOND" />
      <paragraph bulleted="true" listId="w" ListLevel="2" />
      <paragraph bulleted="true" listId="w" ListLevel="3" secListTypeLevel3="bullet_type_triangle" />
    </elements>)"),
            (Markers{"(a)", "(b)", "IV)", "Ç-", "1.", "➤", "◆", "▪", "►"}));
}

TEST_F(ListNumberingTest, LevelThreeIgnoresNumberTypeWithoutItsOwnFormat) {
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" ListLevel="3" NumberType="PAREN_NUMBER" />
      <paragraph numbered="true" ListLevel="3" secListTypeLevel3="NUMBER_TYPE_NUMBER_DOT" />
    </elements>)"),
            (Markers{"i.", "2."}));
}

TEST_F(ListNumberingTest, NumberSettedSetsTheCounterBeforeTheIncrement) {
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" numberSetted="4" /><paragraph numbered="true" />
      <paragraph numbered="true" numberSetted="-7" />
    </elements>)"),
            (Markers{"5.", "6.", "-6."}));
}

TEST_F(ListNumberingTest, CountersSaturateAtTheLargestInteger) {
  EXPECT_EQ(markers(R"(<elements>
      <paragraph numbered="true" numberSetted="9223372036854775806" />
      <paragraph numbered="true" />
      <paragraph numbered="true" />
      <paragraph numbered="true" numberSetted="-9223372036854775808" />
      <paragraph numbered="true" listId="r" NumberType="ROMAN_BIG" numberSetted="9223372036854775807" />
    </elements>)"),
            (Markers{"9223372036854775807.", "9223372036854775807.", "9223372036854775807.",
                     "-9223372036854775807.", "9223372036854775807."}));
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

TEST(ListNumberingRoman, Numerals) {
  EXPECT_EQ(ListNumbering::roman(0), "0");
  EXPECT_EQ(ListNumbering::roman(-4), "-4");
  EXPECT_EQ(ListNumbering::roman(4000), "4000");
  EXPECT_EQ(ListNumbering::roman(1994), "MCMXCIV");
  EXPECT_EQ(ListNumbering::roman(3999), "MMMCMXCIX");
  EXPECT_EQ(ListNumbering::roman(4), "IV");
  EXPECT_EQ(ListNumbering::roman(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
}

TEST(ListNumberingLetters, BijectiveTurkishAlphabet) {
  const auto& upper = ListNumbering::upperLetters;
  ASSERT_EQ(upper.size(), 29u);
  ASSERT_EQ(ListNumbering::lowerLetters.size(), 29u);
  EXPECT_EQ(ListNumbering::letters(0, upper), "A");
  EXPECT_EQ(ListNumbering::letters(1, upper), "A");
  EXPECT_EQ(ListNumbering::letters(29, upper), "Z");
  EXPECT_EQ(ListNumbering::letters(30, upper), "AA");
  EXPECT_EQ(ListNumbering::letters(58, upper), "AZ");
  EXPECT_EQ(ListNumbering::letters(59, upper), "BA");
  EXPECT_EQ(ListNumbering::letters(870, upper), "ZZ");
  EXPECT_EQ(ListNumbering::letters(871, upper), "AAA");
  EXPECT_EQ(ListNumbering::letters(4, upper), "Ç");
  EXPECT_EQ(ListNumbering::letters(9, upper), "Ğ");
  EXPECT_EQ(ListNumbering::letters(10, upper), "H");
  EXPECT_EQ(ListNumbering::letters(12, upper), "İ");
  EXPECT_EQ(ListNumbering::letters(11, ListNumbering::lowerLetters), "ı");
  EXPECT_EQ(ListNumbering::letters(12, ListNumbering::lowerLetters), "i");
  EXPECT_EQ(ListNumbering::letters(5, {}), "");
  EXPECT_FALSE(ListNumbering::letters(std::numeric_limits<std::int64_t>::max(), upper).empty());
}

}  // namespace
}  // namespace maravel
