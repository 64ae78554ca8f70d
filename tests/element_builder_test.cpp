#include "reader/element_builder.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <tuple>

#include "platform/text/text.hpp"
#include "reader/utf16_text.hpp"
#include "reader/xml_tree.hpp"
#include "tests/support/model_invariants.hpp"

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

  ParagraphItem paragraph(std::string_view source, std::string text = "", StyleSheet styles = {},
                          AttributeMap section = {}) {
    ElementBuilder builder(std::move(styles), std::move(text), std::move(section));
    ListNumbering numbering;
    ParagraphItem item = builder.paragraph(xml(source), numbering);
    EXPECT_TRUE(testing::modelViolations({DocumentElement(item)}).empty());
    return item;
  }

  static std::vector<std::string> texts(const ParagraphItem& p) {
    std::vector<std::string> out;
    for (const TextRun& run : p.runs) out.push_back(run.text);
    return out;
  }

  std::deque<XMLParseResult> trees_;
};
using Texts = std::vector<std::string>;

// --- Block lists -----------------------------------------------------------

TEST_F(ElementBuilderTest, BlockListKeepsParagraphsAndTablesInOrderAndSkipsOthers) {
  ElementBuilder builder({}, "Bir", {});
  ListNumbering numbering;
  const auto elements = builder.elements(xml(R"(<elements resolver="hvl-default">
      <paragraph><content startOffset="0" length="3" /></paragraph>
      <Paragraph><content startOffset="0" length="3" /></Paragraph>
      <table columnSpans="240,240"><row><cell><paragraph /></cell></row></table>
      <page><paragraph /></page>
    </elements>)"),
                                         numbering);
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[0].paragraph()->fullText(), "Bir");
  EXPECT_NE(elements[1].table(), nullptr);
}

// --- Paragraph properties --------------------------------------------------

TEST_F(ElementBuilderTest, ParagraphNumbersAreCheckedAndOnlyHangingAndLineSpacingClamped) {
  const auto attr = [&](const char* name, std::string raw) {
    return paragraph(std::string("<paragraph ") + name + "=\"" + raw + "\" />");
  };
  EXPECT_EQ(attr("Alignment", "3").alignment, TextAlignment::justify);
  EXPECT_EQ(attr("Alignment", "2").alignment, TextAlignment::right);
  for (const char* raw : {"4", "-1", " 1", "center", ""})
    EXPECT_EQ(attr("Alignment", raw).alignment, TextAlignment::left) << raw;
  for (const char* raw : {"inf", "nan", "0x10", "12pt", " 12", "1e999"})
    EXPECT_EQ(attr("LeftIndent", raw).leftIndent, 0) << raw;
  EXPECT_EQ(attr("LeftIndent", "2.5e1").leftIndent, 25);
  const ParagraphItem p = paragraph(
      R"(<paragraph Hanging="-5" LeftIndent="-5" LineSpacing="-1.5" SpaceAbove="-2" RightIndent="x" />)");
  EXPECT_EQ(std::vector<double>({p.hanging, p.leftIndent, p.lineSpacing, p.spaceAbove, p.rightIndent}),
            std::vector<double>({0, -5, 0, -2, 0}));
}

TEST_F(ElementBuilderTest, ParagraphPropertiesComeFromStylesThenSection) {
  StyleSheet styles{.styles = {{"edf_1700000000001", {{"name", "edf_1700000000001"}, {"leftindent", "21.0"}}},
                               {"hvl-default", {{"name", "hvl-default"}, {"spacebelow", "3"}}}}};
  const ParagraphItem p = paragraph(R"(<paragraph resolver="edf_1700000000001" />)", "", styles,
                                    {{"resolver", "hvl-default"}, {"alignment", "1"}});
  EXPECT_EQ(p.leftIndent, 21);
  EXPECT_EQ(p.spaceBelow, 3);
  EXPECT_EQ(p.alignment, TextAlignment::center);
}

// --- Tab stops ---------------------------------------------------------------

TEST_F(ElementBuilderTest, TabStopsAreParsedAndSortedStably) {
  EXPECT_EQ(ElementBuilder::tabStops("120:1, 36,x:2,72:"),
            (std::vector<TabStop>{{36, 0}, {72, 0}, {120, 1}}));
  EXPECT_EQ(ElementBuilder::tabStops("18.0:0:0,69.0:2:0,136.0:0:0"),
            (std::vector<TabStop>{{18, 0}, {69, 2}, {136, 0}}));
  EXPECT_EQ(ElementBuilder::tabStops("50:1,50:2,10: 4"), (std::vector<TabStop>{{10, 0}, {50, 1}, {50, 2}}));
  EXPECT_EQ(paragraph(R"(<paragraph TabSet=",,," />)").tabStops, std::vector<TabStop>{});
  EXPECT_FALSE(paragraph(R"(<paragraph />)").tabStops.has_value());
}

TEST_F(ElementBuilderTest, TabStopsPerParagraphAreBoundedEvenWhenInherited) {
  const std::size_t bound = ElementBuilder::kMaxTabStopsPerParagraph;
  std::string value;
  for (std::size_t i = bound + 500; i > 0; --i) value += std::to_string(i) + ".0:0:0,";
  const auto stops = ElementBuilder::tabStops(value);
  ASSERT_EQ(stops.size(), bound);
  EXPECT_EQ(stops.front().position, 1);
  EXPECT_EQ(stops.back().position, static_cast<double>(bound));

  std::string body = R"(<elements TabSet=")" + value + R"(">)";
  for (int i = 0; i < 200; ++i) body += R"(<paragraph Alignment="0"/>)";
  const XMLNode& elements = xml(body + "</elements>");
  ElementBuilder builder({}, "", elements.attributes);
  ListNumbering numbering;
  const auto built = builder.elements(elements, numbering);
  ASSERT_EQ(built.size(), 200u);
  for (const DocumentElement& element : built) {
    EXPECT_EQ(element.paragraph()->tabStops.value().size(), bound);
    EXPECT_EQ(element.paragraph()->tabStops->identity(), built[0].paragraph()->tabStops->identity());
  }
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

// --- Runs ------------------------------------------------------------------

TEST_F(ElementBuilderTest, RunTextsFromTheTextBlock) {
  const struct {
    const char* what;
    const char* children;
    std::string text;
    Texts runs;
  } cases[] = {
      {"offsets are clamped to the text block",
       R"(<content startOffset="5" length="3" /><content startOffset="-2" length="4" />
          <content startOffset="4" length="-3" />
          <content startOffset="9223372036854775807" length="9223372036854775807" />
          <content startOffset="-9223372036854775808" length="-9223372036854775808" />
          <content startOffset="1.5" length="2">own text</content>)",
       "abcdef", Texts{"f", "ab", "", "", "", "own text"}},
      {"slices drop line breaks, keep tabs and repair lone surrogates",
       R"(<content startOffset="0" length="5" /><content startOffset="5" length="2" />
          <content startOffset="7" length="1" />)",
       "a\r\n\tbŞ\U0001F600", Texts{"a\tb", "Ş\uFFFD", "\uFFFD"}},
      {"which children become runs",
       R"(<content startOffset="0" length="1" /><field fieldName="mahkemeAdi" startOffset="1" length="1" />
          <space startOffset="2" length="1" /><tab /><bookmark startOffset="3" length="1" />
          <bookmark name="no offset" /><image /><content startOffset="4" length="1" />)",
       "abcde", Texts{"a", "b", "c", "", "d", "e"}}};
  for (const auto& c : cases) {
    EXPECT_EQ(texts(paragraph(std::string("<paragraph>") + c.children + "</paragraph>", c.text)), c.runs)
        << c.what;
  }
}

TEST_F(ElementBuilderTest, RunInheritanceStopsAtTheFirstValueFoundEvenWhenUnusable) {
  StyleSheet styles{.styles = {{"edf_1", {{"name", "edf_1"}, {"italic", "true"}, {"family", "Arial"}}}}};
  const ParagraphItem p = paragraph(R"(<paragraph size="14" bold="true" resolver="edf_1">
      <content size="abc" startOffset="0" length="1" />
      <content bold="false" startOffset="0" length="1" />
      <content startOffset="0" length="1" />
    </paragraph>)",
                                    "a", styles, {{"underline", "true"}, {"family", "Courier"}});
  EXPECT_EQ(p.runs[0].fontSize, 12);
  EXPECT_TRUE(p.runs[0].bold);
  EXPECT_FALSE(p.runs[1].bold);
  EXPECT_EQ(p.runs[2].fontSize, 14);
  EXPECT_TRUE(p.runs[2].italic);
  EXPECT_TRUE(p.runs[2].underline);
  EXPECT_EQ(p.runs[2].fontFamily, "Arial");
}

TEST_F(ElementBuilderTest, RememberedStyleChainsAnswerLikeTheStyleSheet) {
  // edf_1 -> ... -> edf_17; "bold" is found 16 styles from edf_1 but 17
  // styles from edf_0, so the remembered answer for one start style must
  // not leak to another, nor to another key.
  StyleSheet styles;
  for (int i = 0; i <= 17; ++i) {
    AttributeMap style{{"name", "edf_" + std::to_string(i)}, {"resolver", "edf_" + std::to_string(i + 1)}};
    if (i == 16) style["bold"] = "true";
    if (i == 2) style["size"] = "9";
    styles.styles[style["name"]] = style;
  }
  const ParagraphItem p = paragraph(R"(<paragraph>
      <content resolver="edf_1" startOffset="0" length="1" />
      <content resolver="edf_0" startOffset="0" length="1" />
      <content resolver="edf_1" startOffset="0" length="1" />
      <content resolver="edf_0" startOffset="0" length="1" />
    </paragraph>)",
                                    "a", styles);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(p.runs[i].bold, i % 2 == 0) << i;
    EXPECT_EQ(p.runs[i].fontSize, 9) << i;
  }
}

TEST_F(ElementBuilderTest, RunFormatDefaults) {
  const ParagraphItem p = paragraph(R"(<paragraph>
      <content bold="True" size="0" family="" startOffset="0" length="1" />
      <content size="-3" startOffset="0" length="1" />
      <content size="10.5" family="Arial" subscript="true" startOffset="0" length="1" />
    </paragraph>)",
                                    "a");
  TextRun expected;  // every default, whatever the unusable values said
  expected.text = "a";
  EXPECT_EQ(p.runs[0], expected);
  EXPECT_EQ(p.runs[1], expected);
  std::tie(expected.isSubscript, expected.fontSize, expected.fontFamily) = std::tuple(true, 10.5, "Arial");
  EXPECT_EQ(p.runs[2], expected);

  const std::string family(ElementBuilder::kMaxPropertyLength + 1, 'F');
  const ParagraphItem overlong =
      paragraph(R"(<paragraph><content startOffset="0" length="1" /></paragraph>)", "a", {},
                {{"family", family}, {"size", "1" + std::string(300, '0')}});
  EXPECT_EQ(overlong.runs[0].fontFamily, "Times New Roman");
  EXPECT_EQ(overlong.runs[0].fontSize, 12);
}

TEST_F(ElementBuilderTest, RgbKeepsTheLow24Bits) {
  const auto rgb = [](std::string value) { return ElementBuilder::rgb(&value); };
  // clang-format off
  const std::pair<const char*, std::optional<std::uint32_t>> cases[] = {
      {"-16777216", 0x000000}, {"-1", 0xFFFFFF}, {" 255 ", 0xFF}, {"16711680", 0xFF0000}, {"#FF0000", {}},
      {"   ", {}}, {"12.0", {}}
  };
  // clang-format on
  for (const auto& [value, colour] : cases) EXPECT_EQ(rgb(value), colour) << value;
  EXPECT_FALSE(ElementBuilder::rgb(nullptr).has_value());
  const ParagraphItem p = paragraph(
      R"(<paragraph><content foreground="-1" background="#FF0000" startOffset="0" length="1" /></paragraph>)",
      "a");
  EXPECT_EQ(p.runs[0].foreground, 0xFFFFFFu);
  EXPECT_FALSE(p.runs[0].background.has_value());
}

TEST_F(ElementBuilderTest, ImageWithoutDataYieldsNoRunButOthersStay) {
  const ParagraphItem p = paragraph(R"(<paragraph>
      <content startOffset="0" length="1" />
      <image width="20" height="20" />
      <image imagedata="
         " />
      <image imagedata="iVBORw0KGgo=" width="20" height="10" />
      <content startOffset="1" length="1" />
    </paragraph>)",
                                    "ab");
  EXPECT_EQ(texts(p), (Texts{"a", "", "b"}));
  EXPECT_EQ(p.runs[1].image.value().width, 20);
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

// --- The invariant checker itself -----------------------------------------

TEST(ModelInvariants, ReportsEveryBrokenPromise) {
  ParagraphItem p;
  p.hanging = -1;
  p.tabStops = std::vector<TabStop>{{20, 0}, {10, 0}};
  TextRun broken;
  broken.text = "a\nb";
  broken.fontSize = 0;
  broken.fontFamily = "";
  broken.image = InlineImage{.base64 = "ab<c", .mimeType = "image/png", .width = 0, .height = 1};
  p.runs.push_back(broken);
  TableItem t;
  t.columnSpans = std::vector<double>{};
  const auto violations = testing::modelViolations({DocumentElement(p), DocumentElement(t)});
  EXPECT_EQ(violations.size(), 9u) << ::testing::PrintToString(violations);
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

}  // namespace
}  // namespace maravel
