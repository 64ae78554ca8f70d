#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "html/html_renderer.hpp"
#include "tests/support/model_values.hpp"

namespace maravel {
namespace {

class PageWriterTest : public ::testing::Test {
 protected:
  UDFDocument doc;

  static ParagraphItem para(const std::string& text) {
    return testing::paragraphOf({testing::textRun(text)});
  }

  // A one-cell table shows the width the body is laid out for.
  static TableItem probe() {
    TableItem table;
    table.rows = {TableRow{{TableCell{{para("x")}, std::nullopt}}, std::nullopt, 0, std::nullopt}};
    return table;
  }

  std::string page(const std::string& fileName = "karar.udf") {
    return UDFHTMLRenderer::renderHTML(doc, fileName);
  }

  static bool has(const std::string& page, const std::string& fragment) {
    return page.find(fragment) != std::string::npos;
  }
};

// The A4 and A5 sheets, the code, the web identifier and which headers and
// footers show are on the golden pages.
TEST_F(PageWriterTest, Title) {
  EXPECT_TRUE(has(page("<a&b's &lt;.udf"), "    <title>&lt;a&amp;b&#39;s &amp;lt;.udf</title>\n"));
  EXPECT_TRUE(has(UDFHTMLRenderer::renderHTML(doc), "    <title>UDF Belgesi</title>\n"));
}

// Each outcome of the check, with its rules, several signers and a failed
// one are on the imza-* golden pages. Without a code and with one trusted signer, the single details line
// as it always was, its separators kept when fields are empty.
TEST_F(PageWriterTest, SignedBadgeWithEmptyFieldsKeepsTheSeparators) {
  doc.signature.isSigned = true;
  doc.signature.signers.emplace_back().chain = ChainTrust::trusted;
  const std::string html = page();
  EXPECT_TRUE(
      has(html,
          "        <div class=\"badge-meta\">\n            \n            \n            \n            \n"
          "        </div>\n    </div>\n</div>\n"));
  EXPECT_FALSE(has(html, ".badge-meta + .badge-meta"));
}

// Hostile family names and numbers no CSS length can hold.
TEST_F(PageWriterTest, HostileValuesStayInsideTheFormat) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  doc.pageProps.topMargin = nan;
  doc.pageProps.leftMargin = inf;
  doc.pageProps.rightMargin = -inf;
  ParagraphItem p = para("a\tb");
  p.firstLineIndent = nan;
  p.leftIndent = 1e308;
  p.runs[0].fontSize = inf;
  p.runs[0].fontFamily = "x\";}</style><script>alert(1)</script>";
  doc.elements = {p, probe()};
  const std::string html = page();
  EXPECT_FALSE(has(html, "nan") || has(html, "inf") || has(html, "<script"));
  std::size_t closings = 0;
  for (std::size_t at = html.find("</style"); at != std::string::npos; at = html.find("</style", at + 1))
    ++closings;
  EXPECT_EQ(closings, 1u);
}

// A page budget cuts the paragraph that reaches it, at what its text, tab
// boxes and pictures cost, and leaves out everything after it.
TEST_F(PageWriterTest, PageBudgetCutsTheBodyWhereItRunsOut) {
  doc.elements = {para("birinci"), para(std::string(10'000, 'x') + "son"), probe(), para("üçüncü")};
  const std::string whole = page();
  const std::string cut = UDFHTMLRenderer::renderHTML(doc, "karar.udf", 2'000);
  const auto count = [](const std::string& text, char c) { return std::count(text.begin(), text.end(), c); };
  EXPECT_TRUE(has(cut, ">birinci<") && has(whole, "son<") && has(whole, "üçüncü"));
  EXPECT_FALSE(has(cut, "son<") || has(cut, "<table") || has(cut, "üçüncü"));
  EXPECT_GT(count(cut, 'x'), 1'000);
  EXPECT_LT(cut.size(), whole.size() - 8'000);
  doc.elements = {para(std::string(10'000, '\t'))};
  const std::string tabs = UDFHTMLRenderer::renderHTML(doc, "karar.udf", 16'000);
  EXPECT_LT(count(tabs, '\t'), 100);
  EXPECT_GT(count(tabs, '\t'), 50);
}

}  // namespace
}  // namespace maravel
