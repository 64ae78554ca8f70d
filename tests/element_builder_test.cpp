#include "reader/element_builder.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "platform/text/text.hpp"
#include "reader/utf16_text.hpp"
#include "reader/xml_tree.hpp"

namespace maravel {
namespace {

// Parses editor-style XML and hands out its document element; the trees live
// as long as the fixture.
class ElementBuilderTest : public ::testing::Test {
 protected:
  const XMLNode& xml(std::string_view source) {
    trees_.push_back(parseXMLTree(source));
    EXPECT_TRUE(trees_.back().success) << source;
    return trees_.back().root.children.at(0);
  }

  static std::vector<std::string> texts(const ParagraphItem& p) {
    std::vector<std::string> out;
    for (const TextRun& run : p.runs) out.push_back(run.text);
    return out;
  }

  std::deque<XMLParseResult> trees_;
};
using Texts = std::vector<std::string>;

// The lowest stops are kept, whatever their order in the list; a list
// inherited by many paragraphs is the worst-case suite's "tabset".
TEST_F(ElementBuilderTest, TabStopsPerParagraphAreBounded) {
  const std::size_t bound = ElementBuilder::kMaxTabStopsPerParagraph;
  std::string value;
  for (std::size_t i = bound + 500; i > 0; --i) value += std::to_string(i) + ".0:0:0,";
  const auto stops = ElementBuilder::tabStops(value);
  ASSERT_EQ(stops.size(), bound);
  EXPECT_EQ(stops.front().position, 1);
  EXPECT_EQ(stops.back().position, static_cast<double>(bound));
}

TEST_F(ElementBuilderTest, InheritedTabStopsAreSharedAndParsedStopsShareOneBudget) {
  const std::string own = R"(<paragraph TabSet="10:0,20:0,30:0,40:0" />)";
  const std::string other = R"(<paragraph TabSet="11:0,21:0,31:0,41:0" />)";
  const std::string inheriting = R"(<paragraph resolver="liste" />)";
  const XMLNode& elements = xml(R"(<elements TabSet="7:2,8:2">)" + inheriting + own + own + inheriting +
                                other + "<paragraph /><paragraph /></elements>");
  StyleSheet styles{.styles = {{"liste", {{"name", "liste"}, {"tabset", "5:1,6:1"}}}}};

  ElementBuilder builder(styles, "", elements.attributes, {.tabStops = 10});
  ListNumbering numbering;
  const auto built = builder.elements(elements, numbering);
  std::vector<std::size_t> counts;
  for (const DocumentElement& element : built) counts.push_back(element.paragraph()->tabStops.value().size());
  // 2 + 4 + 4 stops use the budget up; the style's list and the repeated own
  // list are shared, not parsed again.
  EXPECT_EQ(counts, (std::vector<std::size_t>{2, 4, 4, 2, 4, 0, 0}));
  const auto stopsOf = [&](std::size_t i) { return *built[i].paragraph()->tabStops; };
  EXPECT_EQ(stopsOf(0), (std::vector<TabStop>{{5, 1}, {6, 1}}));
  EXPECT_EQ(stopsOf(0).identity(), stopsOf(3).identity());
  EXPECT_EQ(stopsOf(1).identity(), stopsOf(2).identity());
  EXPECT_NE(stopsOf(1), stopsOf(4));

  ElementBuilder roomy(styles, "", elements.attributes);
  const auto shared = roomy.elements(elements, numbering);
  EXPECT_EQ(shared[5].paragraph()->tabStops, (std::vector<TabStop>{{7, 2}, {8, 2}}));
  EXPECT_EQ(shared[5].paragraph()->tabStops->identity(), shared[6].paragraph()->tabStops->identity());
}

// --- Run text budget ---------------------------------------------------------

TEST_F(ElementBuilderTest, OverlappingRunsStopAtTheRunTextBudget) {
  // Every run takes the whole text block. The budget is four blocks plus
  // the allowance; with an allowance of four blocks, eight whole runs fit.
  const std::size_t blockSize = 250;
  std::string source = "<paragraph>";
  for (int i = 0; i < 20; ++i) {
    source += R"(<content startOffset="0" length=")" + std::to_string(blockSize) + R"(" />)";
  }
  source += R"(<content startOffset="0" length="0" /></paragraph>)";

  ElementBuilder builder({}, std::string(blockSize, 'x'), {}, {.runTextAllowance = 4 * blockSize});
  ListNumbering numbering;
  const ParagraphItem p = builder.paragraph(xml(source), numbering);
  ASSERT_EQ(p.runs.size(), 9u);
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(p.runs[i].text.size(), blockSize);
  EXPECT_EQ(p.runs[8].text, "");

  // The default budget leaves real documents whole.
  ElementBuilder roomy({}, "abc", {});
  std::string whole = "<paragraph>";
  for (int i = 0; i < 100; ++i) whole += R"(<content startOffset="0" length="3" />)";
  EXPECT_EQ(roomy.paragraph(xml(whole + "</paragraph>"), numbering).runs.size(), 100u);

  // The budget belongs to the builder: a later region gets nothing more.
  const ParagraphItem later =
      builder.paragraph(xml(R"(<paragraph><content startOffset="0" length="3" /></paragraph>)"), numbering);
  EXPECT_TRUE(later.runs.empty());
}

TEST_F(ElementBuilderTest, RunCrossingTheBudgetIsCutAtACharacterBoundary) {
  ElementBuilder builder({}, "abcdefghij", {}, {.runTextAllowance = 5});
  ListNumbering numbering;
  std::string source = "<paragraph>";
  for (int i = 0; i < 5; ++i) source += R"(<content startOffset="0" length="10" />)";
  const ParagraphItem p =
      builder.paragraph(xml(source + "<content>own text</content></paragraph>"), numbering);
  EXPECT_EQ(texts(p), (Texts{"abcdefghij", "abcdefghij", "abcdefghij", "abcdefghij", "abcde"}));

  ElementBuilder own({}, "", {}, {.runTextAllowance = 4});
  const ParagraphItem q =
      own.paragraph(xml(R"(<paragraph><content>aŞŞ</content><content>b</content></paragraph>)"), numbering);
  EXPECT_EQ(texts(q), Texts{"aŞ"});
}

// Slices by UTF-16 offsets are the units converted back, whatever order
// they are asked in; the long text crosses several checkpoints.
TEST(UTF16TextTest, SliceIsTheUnitsConvertedBack) {
  std::string longText;
  for (int i = 0; i < 60; ++i) longText += "ab\U0001F600ş€ ";
  for (const std::string& utf8 : {std::string("abc"), std::string("aŞ\U0001F600b\U0001F600"),
                                  std::string("a\xF0\x9F\x98x\x81y"), longText}) {
    const std::u16string units = text::toUTF16(utf8);
    UTF16Text sliced(utf8);
    ASSERT_EQ(sliced.size(), units.size());
    for (std::size_t start = units.size() + 1; start-- > 0;) {
      for (std::size_t count = 0; start + count <= units.size(); count += 1 + count / 2) {
        EXPECT_EQ(sliced.slice(start, count),
                  text::fromUTF16(std::u16string_view(units).substr(start, count)))
            << start << " + " << count;
      }
      if (start < units.size()) {
        EXPECT_EQ(sliced.isHighSurrogate(start), units[start] >= 0xD800 && units[start] <= 0xDBFF);
      }
    }
  }
}

// Form field names meet their data in Turkish case: İ with i, I with ı,
// every other letter as Unicode folds it.
TEST(FormDataTest, NamesFoldTurkishCase) {
  using Pair = std::pair<std::string_view, std::string_view>;
  for (const auto& [a, b] : {Pair{"İl", "il"}, Pair{"TARİH", "tarih"}, Pair{"IĞDIR", "ığdır"},
                             Pair{"Tarih", "TARİH"}, Pair{"ÇAĞRI", "çağrı"}, Pair{"STRASSE", "straße"}})
    EXPECT_EQ(FormData::caseFolded(a), FormData::caseFolded(b)) << a << " " << b;
  for (const auto& [a, b] :
       {Pair{"sınıf", "sinif"}, Pair{"Il", "il"}, Pair{"İl", "ıl"}, Pair{"TARIH", "tarih"}})
    EXPECT_NE(FormData::caseFolded(a), FormData::caseFolded(b)) << a << " " << b;
}

}  // namespace
}  // namespace maravel
