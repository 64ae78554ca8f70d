// The paged layout: how paragraphs, rows, headers and footers fall on pages.
#include "paper/page_layout.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "paper/browser_line_rules.hpp"
#include "paper/page_text.hpp"
#include "platform/breaks/line_breaks.hpp"
#include "platform/drawing/leak_suppressions.hpp"

namespace maravel {
namespace {

TextRun run(const std::string& text) {
  TextRun run;
  run.text = text;
  return run;
}

ParagraphItem paragraph(const std::string& text, double spaceBelow = 0) {
  ParagraphItem p;
  p.runs.push_back(run(text));
  p.spaceBelow = spaceBelow;
  return p;
}

// Every text of the page joined by "|", in painting order.
std::string texts(const PaperPage& page) {
  std::string out;
  for (const PaperText& text : page.marks.texts) out += (out.empty() ? "" : "|") + text.text;
  return out;
}

// A document whose body room is 100 points: A5 landscape (419.53 high)
// with margins that leave 100 points between them.
UDFDocument shortPages() {
  UDFDocument doc;
  doc.pageProps.mediaSize = 2;
  doc.pageProps.orientation = 0;
  doc.pageProps.topMargin = 150;
  doc.pageProps.bottomMargin = 419.53 - 250;
  return doc;
}

// Lines of Times New Roman 12 are 13.8 points high: seven fit in 100.
TEST(PageLayoutTest, ParagraphsMoveOrSplitByLines) {
  UDFDocument doc = shortPages();
  for (int i = 1; i <= 6; ++i) doc.elements.push_back(paragraph("satır " + std::to_string(i)));
  // Two lines: the first fits as the seventh line, the second moves on.
  std::string two(60, 'x');
  doc.elements.push_back(paragraph("uzun " + two + " " + two));
  doc.elements.push_back(paragraph("son"));
  const PaperDocument paper = PageLayout::layout(doc);
  ASSERT_EQ(paper.pages.size(), 2u);
  EXPECT_EQ(texts(paper.pages[0]), "satır 1|satır 2|satır 3|satır 4|satır 5|satır 6|uzun " + two);
  EXPECT_EQ(texts(paper.pages[1]), two + "|son");
  for (const PaperPage& page : paper.pages) {
    EXPECT_DOUBLE_EQ(page.width, 595.28);
    EXPECT_DOUBLE_EQ(page.height, 419.53);
    for (const PaperText& text : page.marks.texts) {
      EXPECT_GT(text.baseline, 150);
      EXPECT_LT(text.baseline, 250);  // no line cut at the page's end
    }
  }

  // A paragraph whose spacing below takes the rest of the page pushes the
  // next one over; the spacing itself does not carry.
  UDFDocument spaced = shortPages();
  spaced.elements.push_back(paragraph("bir", 95));
  spaced.elements.push_back(paragraph("iki"));
  const PaperDocument moved = PageLayout::layout(spaced);
  ASSERT_EQ(moved.pages.size(), 2u);
  EXPECT_EQ(texts(moved.pages[1]), "iki");
  EXPECT_LT(moved.pages[1].marks.texts[0].baseline, 150 + 14);
}

// The page's texts from left to right, each set right to left followed by "<".
std::string inVisualOrder(const PaperPage& page) {
  std::vector<const PaperText*> shown;
  for (const PaperText& text : page.marks.texts) shown.push_back(&text);
  std::sort(shown.begin(), shown.end(), [](const PaperText* a, const PaperText* b) { return a->x < b->x; });
  std::string out;
  for (const PaperText* text : shown)
    out += (out.empty() ? "" : "|") + text->text +
           (text->direction == fonts::TextDirection::rightToLeft ? "<" : "");
  return out;
}

TEST(PageLayoutTest, RightToLeftTextShowsInTheBidirectionalOrder) {
  const struct {
    std::vector<std::string> runs;
    std::string shown;
  } rows[] = {
      {{"tutar: 500.00 TL"}, "tutar: 500.00 TL"},  // no level but 0: shaped as its script says
      {{"tutar: \u202E00.005\u202C TL"}, "tutar: |\u202E00.005<|\u202C TL"},
      {{"tutar: \u202E00", ".005\u202C TL"}, "tutar: |.005<|\u202E00<|\u202C TL"},
      {{"Arapça: العربية metin"}, "Arapça: |العربية<| metin"},
      {{"שלום 2026/101 עולם"}, " עולם<|2026/101|שלום <"},
  };
  for (const auto& row : rows) {
    UDFDocument doc;
    ParagraphItem p;
    for (const std::string& text : row.runs) p.runs.push_back(run(text));
    doc.elements.push_back(p);
    EXPECT_EQ(inVisualOrder(PageLayout::layout(doc).pages[0]), row.shown) << row.runs[0];
  }
}

TEST(PageLayoutTest, TallTableRowSplitsWithEachCellContinuing) {
  UDFDocument doc = shortPages();
  TableItem table;
  table.border.emplace();
  table.border->kind = "borderCell";
  TableRow row;
  TableCell left, right;
  for (int i = 1; i <= 10; ++i) left.elements.push_back(paragraph("sol " + std::to_string(i)));
  right.elements.push_back(paragraph("sağ"));
  row.cells = {left, right};
  table.rows.push_back(row);
  TableRow tall;  // a row height of its own carries over to the next page
  tall.height = 150;
  tall.cells.emplace_back().elements.push_back(paragraph("yüksek"));
  table.rows.push_back(tall);
  doc.elements.push_back(table);
  const PaperDocument paper = PageLayout::layout(doc);
  ASSERT_EQ(paper.pages.size(), 3u);
  EXPECT_EQ(texts(paper.pages[0]), "sol 1|sol 2|sol 3|sol 4|sol 5|sol 6|sol 7|sağ");
  EXPECT_EQ(texts(paper.pages[1]), "sol 8|sol 9|sol 10|yüksek");
  EXPECT_EQ(texts(paper.pages[2]), "");
  for (const PaperPage& page : paper.pages) {
    EXPECT_FALSE(page.marks.rules.empty()) << "page " << page.number << " draws the cells' borders";
    for (const PaperRule& rule : page.marks.rules) EXPECT_LE(std::max(rule.y1, rule.y2), 250.01);
  }
  // What is left of the tall row's 150 points after page 2 (100 less the
  // first row's 3 lines and both rows' 1-point borders) ends page 3's frame.
  double bottom = 0;
  for (const PaperRule& rule : paper.pages[2].marks.rules) bottom = std::max(bottom, rule.y2);
  EXPECT_NEAR(bottom, 150 + 150 - (100 - 3 * 13.8 - 2) + 1, 0.5);
}

TEST(PageLayoutTest, HeaderFromItsStartPageAndNumberedFooterOnEveryPage) {
  UDFDocument doc = shortPages();
  for (int i = 1; i <= 12; ++i) doc.elements.push_back(paragraph("gövde " + std::to_string(i)));
  doc.headerElements.push_back(paragraph("BAŞLIK"));
  doc.headerStartPage = 2;
  ParagraphItem footer;
  footer.runs = {run("Kurgu belge\tSayfa 1"), run(" / 1"), run("")};
  footer.runs.back().image = InlineImage{"R0lGODlhAQABAAAAACw=", "image/gif", 8, 8};
  doc.footerElements.push_back(footer);
  doc.footerElements.push_back(paragraph("7"));  // a bare page number line
  const PaperDocument paper = PageLayout::layout(doc);
  ASSERT_GE(paper.pages.size(), 3u);
  const std::string total = std::to_string(paper.pages.size());
  for (const PaperPage& page : paper.pages) {
    const std::string all = texts(page);
    const std::string number = std::to_string(page.number);
    EXPECT_EQ(all.find("BAŞLIK") != std::string::npos, page.number >= 2) << all;
    EXPECT_NE(all.find("Kurgu belge|Sayfa " + number + "| / " + total + "|" + number), std::string::npos)
        << all;
    // Laid out again for every page, the line still shows the document's
    // own picture, which painting reads after the layout.
    ASSERT_EQ(page.marks.pictures.size(), 1u);
    EXPECT_EQ(page.marks.pictures[0].image, &*doc.footerElements[0].paragraph()->runs[2].image);
  }
  // Text that is not a page line stays as written.
  UDFDocument plain = shortPages();
  plain.footerElements.push_back(paragraph("No: 1 Kurgukent"));
  EXPECT_EQ(texts(PageLayout::layout(plain).pages[0]), "No: 1 Kurgukent");
}

// Text and pages past what the file's size allows are left out, and the
// layout says so.
TEST(PageLayoutTest, TextAndPagesStopWhereTheFileSizeBoundsThem) {
  constexpr std::size_t kFile = 64'000;
  UDFDocument doc;
  doc.elements.push_back(paragraph(std::string(PageLayout::textBytesFor(kFile) + 10, 'a')));
  doc.elements.push_back(paragraph("sonra"));
  PaperDocument paper = PageLayout::layout(doc, kFile);
  std::size_t laid = 0;
  for (const PaperPage& page : paper.pages)
    for (const PaperText& text : page.marks.texts) laid += text.text.size();
  EXPECT_EQ(laid, PageLayout::textBytesFor(kFile));
  EXPECT_TRUE(paper.truncated);
  paper = PageLayout::layout(doc, 0);
  EXPECT_EQ(paper.pages.size(), PageLayout::kPageAllowance);
  EXPECT_TRUE(paper.truncated);
}

// A footer carrying its page number as attributes: on every page the
// number where its bits put it; the footer's own text is left as written.
TEST(PageLayoutTest, FooterPageNumberStandsWhereItsBitsSay) {
  struct Case {
    std::int64_t bits;
    double align;  // 0 left, 0.5 centre, 1 right
  };
  for (const Case& c : {Case{8, 0}, Case{40, 0.5}, Case{72, 1}, Case{2088, 0.5}, Case{2120, 1}}) {
    UDFDocument doc = shortPages();
    for (int i = 1; i <= 3; ++i) doc.elements.push_back(paragraph("gövde", 95));
    doc.footerElements.push_back(paragraph("Sayfa 1"));
    doc.pageNumber = PageNumberFormat{c.bits, "/", "Arial", 9, true, false, 0xC00000, "No ", 1};
    const PaperDocument paper = PageLayout::layout(doc);
    ASSERT_EQ(paper.pages.size(), 3u);
    const double left = doc.pageProps.leftMargin,
                 right = doc.pageProps.pageWidth() - doc.pageProps.rightMargin;
    for (const PaperPage& page : paper.pages) {
      const PaperText& number = page.marks.texts.back();
      EXPECT_EQ(number.text, doc.pageNumber->text(page.number - 1, 3)) << c.bits;
      EXPECT_EQ(texts(page), "gövde|Sayfa 1|" + number.text);
      EXPECT_TRUE(number.family == "Arial" && number.bold && number.size == 9 && number.color == 0xC00000);
      EXPECT_NEAR(number.x + number.width * c.align, left + (right - left) * c.align, 0.01) << c.bits;
    }
  }
}

// The verification line closes every page's foot; a hostile code is cut to
// 64 characters.
TEST(PageLayoutTest, VerificationLineOnEveryPage) {
  UDFDocument doc = shortPages();
  for (int i = 1; i <= 2; ++i) doc.elements.push_back(paragraph("gövde", 95));
  for (const std::string& code : {std::string("Zx9Q+aB1"), std::string(100000, 'K')}) {
    doc.verificationCode = code;
    for (const PaperPage& page : PageLayout::layout(doc).pages) {
      std::string foot;
      for (std::size_t i = 1; i < page.marks.texts.size(); ++i) foot += page.marks.texts[i].text;
      EXPECT_TRUE(foot.starts_with("UYAP Bilişim Sistemi Evrak Doğrulama Kodu · Kod:")) << foot;
      EXPECT_NE(foot.find(code.substr(0, 64)), std::string::npos);
      EXPECT_EQ(foot.find(std::string(65, 'K')), std::string::npos);
      EXPECT_TRUE(foot.ends_with("edilebilir") &&
                  foot.find("evraksorgu.adalet.gov.tr adresinden") < foot.size());
    }
  }
}

// The bands stand at the page format's offsets when those lie inside the
// margins, and the body keeps the margins' room; without offsets, or with
// offsets as large as the margins, the header pushes the body down.
TEST(PageLayoutTest, BandsStandAtTheirOffsetsInsideTheMargins) {
  struct Case {
    std::optional<double> header, footer;
    double headerTop, bodyTop, footerBottom;
  };
  const Case cases[] = {{std::nullopt, std::nullopt, 150, 163.8, 250},
                        {20, 20, 20, 150, 399.53},
                        {145, 160, 145, 158.8, 259.53},  // a band taller than its margin's rest
                        {150, 169.53, 150, 163.8, 250}};
  for (const Case& c : cases) {
    UDFDocument doc = shortPages();
    doc.pageProps.headerOffset = c.header;
    doc.pageProps.footerOffset = c.footer;
    doc.headerElements.push_back(paragraph("başlık"));
    doc.elements.push_back(paragraph("gövde"));
    doc.footerElements.push_back(paragraph("altlık"));
    const PaperDocument paper = PageLayout::layout(doc);
    const std::vector<PaperText>& texts = paper.pages[0].marks.texts;
    ASSERT_EQ(texts.size(), 3u);
    // Times New Roman 12: 10.7 points above the baseline, 3.1 below.
    EXPECT_NEAR(texts[1].baseline - 10.7, c.headerTop, 0.5) << texts[1].text;
    EXPECT_NEAR(texts[0].baseline - 10.7, c.bodyTop, 0.5) << texts[0].text;
    EXPECT_NEAR(texts[2].baseline + 3.1, c.footerBottom, 0.5) << texts[2].text;
  }
}

TEST(PageLayoutTest, LinesBreakAtTheSameWordsAndAlignLikeThePage) {
  UDFDocument doc;
  ParagraphItem justified = paragraph(
      "Davacı vekili dava dilekçesinde özetle; taraflar arasındaki kira ilişkisinin sona erdiğini, "
      "kiralananın tahliye edilmediğini ileri sürmüş, tahliyeye karar verilmesini talep etmiştir.");
  justified.alignment = TextAlignment::justify;
  justified.firstLineIndent = 36;
  doc.elements.push_back(justified);
  ParagraphItem tabbed = paragraph("DAVACI\t: DENEME\tsağda");
  tabbed.tabStops = std::vector<TabStop>{{69, 0}, {400, 1}};
  doc.elements.push_back(tabbed);
  const PaperDocument paper = PageLayout::layout(doc);
  const std::vector<PaperText>& texts = paper.pages[0].marks.texts;
  ASSERT_EQ(texts.size(), 5u);
  const double left = doc.pageProps.leftMargin, right = doc.pageProps.pageWidth() - doc.pageProps.rightMargin;
  EXPECT_NEAR(texts[0].x, left + 36, 0.01);
  EXPECT_NEAR(texts[0].x + texts[0].width, right, 0.01);  // justified to the edge
  EXPECT_GT(texts[0].spaceExtra, 0);
  EXPECT_EQ(texts[1].spaceExtra, 0);  // the last line is not justified
  EXPECT_EQ(texts[0].text.back(), ',') << "the first line ends after a whole word: " << texts[0].text;
  EXPECT_EQ(texts[2].text, "DAVACI");
  EXPECT_NEAR(texts[3].x, left + 69, 0.01);                    // left stop
  EXPECT_NEAR(texts[4].x + texts[4].width, left + 400, 0.01);  // right stop
}

// Letters, digits, separators and the tab's box decide a break between
// them without the Unicode rules being run; what they decide must be what
// the rules say.
TEST(PageLayoutTest, BreaksDecidedByTheirPairAreTheUnicodeRulesOwn) {
  const std::vector<std::string> chars = {"a",        "Z",        "7",        ".",       ";", "\xEF\xBF\xBC",
                                          "\xC3\xA7", "\xC4\xB1", "\xC3\x86", "\xC3\x97"};
  breaks::LineBreaks unicode;
  // Pairs, and triples: a word's letters are passed over together.
  std::vector<std::string> thirds = chars;
  thirds.emplace_back();
  for (const std::string& a : chars)
    for (const std::string& b : chars)
      for (const std::string& c : thirds) {
        // ASCII pairs follow the browser's table
        if ((a.size() == 1 && b.size() == 1) || (b.size() == 1 && c.size() == 1)) continue;
        const std::string text = a + b + c;
        const auto all = unicode.opportunities(text);
        const auto found = BrowserLineRules::opportunities(text, [&] { return all; });
        EXPECT_EQ(found, all) << text;
      }
}

// A page's text joins its marks by line and tab stop; where a mark is held
// without glyphs, matches and clicks fall where the measured letters stand
// (a wide "W" is not an average letter), justified spaces included.
TEST(PageTextTest, PlacesRangesByTheMeasuredLetters) {
  PaperMarks marks;
  const auto mark = [&](double x, double baseline, std::string text, double width, double spaceExtra = 0) {
    PaperText made;
    made.x = x;
    made.baseline = baseline;
    made.text = std::move(text);
    made.size = 10;
    made.width = width;
    made.spaceExtra = spaceExtra;
    marks.texts.push_back(std::move(made));
  };
  mark(10, 20, "WiW", 21);    // measured 7, drawn three times as wide
  mark(40, 20, "a b", 5, 2);  // after a gap: a tab stop; one justified space
  mark(10, 40, "İç", 4);      // another line
  const PageText::Measure measure = [](const PaperText&, std::string_view prefix) {
    return 3.0 * static_cast<double>(std::count(prefix.begin(), prefix.end(), 'W')) +
           static_cast<double>(std::count_if(prefix.begin(), prefix.end(),
                                             [](char c) { return c != 'W' && (c & 0xC0) != 0x80; }));
  };
  const PageText text(marks);
  EXPECT_EQ(text.text(), "WiW\ta b\nİç\n");
  const auto lefts = [&](std::size_t from, std::size_t to, const PageText::Measure& how) {
    std::vector<std::pair<double, double>> out;
    for (const drawing::Rect& box : text.boxes(from, to, how)) out.emplace_back(box.x, box.width);
    return out;
  };
  using Spans = std::vector<std::pair<double, double>>;
  EXPECT_EQ(lefts(1, 2, measure), (Spans{{19, 3}}));
  EXPECT_EQ(lefts(0, 7, measure), (Spans{{10, 21}, {40, 5}}));
  EXPECT_EQ(lefts(6, 7, measure), (Spans{{44, 1}}));  // "b" after a space of 1 + 2
  EXPECT_EQ(lefts(1, 2, {}), (Spans{{17, 7}}));
  EXPECT_EQ(lefts(8, 10, measure), (Spans{{10, 2}}));  // "İ", two bytes
  EXPECT_EQ(text.offsetAt({14, 18}, measure), 0u);
  EXPECT_EQ(text.offsetAt({15, 18}, measure), 1u);
  EXPECT_EQ(text.offsetAt({21, 18}, measure), 2u);
  EXPECT_EQ(text.offsetAt({100, 41}, measure), 12u);  // the end of the nearest line
}

}  // namespace
}  // namespace maravel
