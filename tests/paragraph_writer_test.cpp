#include <gtest/gtest.h>

#include <optional>
#include <regex>

#include "html/document_writer.hpp"
#include "tests/support/model_values.hpp"

namespace maravel {
namespace {

using Segment = DocumentWriter::Segment;

class ParagraphWriterTest : public ::testing::Test {
 protected:
  FontBook fonts;
  DocumentWriter writer{fonts};

  static TextRun text(std::string s, double size = 12) { return testing::textRun(std::move(s), size); }

  static TextRun picture(double width, double height = 10) {
    TextRun run;
    run.image = InlineImage{"iVBORw0KGgo=", "image/png", width, height};
    return run;
  }

  static ParagraphItem para(std::vector<TextRun> runs) { return testing::paragraphOf(std::move(runs)); }

  double w(const std::string& s, double size = 12) { return fonts.width(s, text(s, size), size); }

  // The width texts of the tab boxes, in order.
  static std::vector<std::string> tabWidths(const std::string& html) {
    static const std::regex box(R"(<span class="udf-tab" style="width:([^;"]*))");
    std::vector<std::string> widths;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), box); it != std::sregex_iterator(); ++it) {
      widths.push_back((*it)[1]);
    }
    return widths;
  }

  std::string body(const std::string& html) {
    const std::size_t open = html.find("\">") + 2;
    return html.substr(open, html.size() - open - 4);
  }
};

// Tab boxes for each kind of stop, the first tab of a paragraph, justified
// first lines and the paragraph classes are in the sekmeler golden document,
// list markers in madde-isareti.
TEST_F(ParagraphWriterTest, FollowingWidthStopsAtTheNextTab) {
  const TextRun small = text("", 10);
  TextRun sup = text("", 10);
  sup.isSuperscript = true;
  const TextRun image = picture(7);
  const std::vector<Segment> segments = {
      {Segment::Kind::tab, &small, ""},   {Segment::Kind::text, &small, "12"},
      {Segment::Kind::image, &image, ""}, {Segment::Kind::text, &sup, "3.5.1"},
      {Segment::Kind::tab, &small, ""},   {Segment::Kind::text, &small, "999"}};
  const auto result = writer.followingWidth(segments, 0);
  const double supWidth = fonts.width("3.5.1", sup, 8);
  EXPECT_DOUBLE_EQ(result.full, w("12", 10) + 7 + supWidth);
  EXPECT_DOUBLE_EQ(result.decimal, w("12", 10) + 7 + fonts.width("3", sup, 8));
  const auto last = writer.followingWidth(segments, 4);
  EXPECT_DOUBLE_EQ(last.full, w("999", 10));
  EXPECT_DOUBLE_EQ(last.decimal, last.full);
  EXPECT_EQ(writer.followingWidth(segments, 5).full + writer.followingWidth(segments, 5).decimal, 0);
}

TEST_F(ParagraphWriterTest, EqualRunsShareOneSpanTextIsEscapedEmptyLinesKept) {
  TextRun bold = text("b");
  bold.bold = true;
  const std::string plain = "<span class=\"" + writer.runClass(text("")) + "\">";
  const std::string strong = "<span class=\"" + writer.runClass(bold) + "\">";
  const auto html = [&](std::vector<TextRun> runs) {
    return body(writer.paragraph(para(std::move(runs)), 400));
  };
  EXPECT_EQ(html({text("Da"), text("va")}), plain + "Dava</span>");
  EXPECT_EQ(html({text("a"), bold, text("c")}),
            plain + "a</span>" + strong + "b</span>" + plain + "c</span>");
  EXPECT_EQ(html({text("a\r\x01<b>\xE2\x80\xA8&\xC2\x85")}), plain + "a&lt;b&gt;&amp;</span>");
  EXPECT_EQ(html({}), "<br>");
  EXPECT_EQ(html({text("\n")}), "<br>");
}

TEST_F(ParagraphWriterTest, PicturesAreDataURIsWhoseAttributesStayClosed) {
  EXPECT_EQ(body(writer.paragraph(para({picture(40, 20.5)}), 400)),
            "<img class=\"udf-img\" alt=\"\" src=\"data:image/png;base64,iVBORw0KGgo=\" "
            "style=\"width:calc(40*var(--u));height:calc(20.5*var(--u))\">");
  TextRun run = picture(10);
  run.image->mimeType = "text/html";
  run.image->base64 = "AAAA\"><script>alert(1)</script>";
  const std::string html = writer.paragraph(para({run}), 400);
  EXPECT_NE(html.find("src=\"data:image/png;base64,AAAAscriptalert1/script\""), std::string::npos);
  EXPECT_EQ(html.find("text/html"), std::string::npos);
  for (const char* type : {"image/jpeg", "image/gif", "image/bmp"}) {
    run.image->mimeType = type;
    EXPECT_NE(writer.paragraph(para({run}), 400).find(std::string("data:") + type + ";"), std::string::npos);
  }
}

TEST_F(ParagraphWriterTest, ManyTabsAndStopsStayLinear) {
  ParagraphItem p = para({text(std::string(20000, '\t') + "x")});
  std::vector<TabStop> stops;
  for (int i = 1; i <= 20000; ++i) stops.push_back({i * 0.5, i % 2 ? 1 : 0});
  p.tabStops = stops;
  const std::string html = writer.paragraph(p, 400);
  EXPECT_EQ(tabWidths(html).size(), 20000u);
}

}  // namespace
}  // namespace maravel
