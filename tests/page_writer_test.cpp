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

// Each outcome of the check has its class, icon mark and title over the same
// details; only a page whose signature did not verify carries the rules
// (light and dark) for that class. A signed page carries its verification
// code on a line of its own, not the verification badge.
TEST_F(PageWriterTest, SignatureBadges) {
  doc.signature = {true, "Ayşe <Yılmaz>", "12345678901", "Kamu SM & Co", "01.02.2026 10:11:12"};
  doc.verificationCode = "Zx9Q+aB1";
  const std::string details =
      "        <div class=\"badge-meta\">\n"
      "            <span class=\"badge-tag signer\"><strong>İmzalayan:</strong> Ayşe &lt;Yılmaz&gt;</span>\n"
      "            <span class=\"badge-tag tc\"><strong>T.C.:</strong> 12345678901</span>\n"
      "            <span class=\"badge-tag date\"><strong>Tarih:</strong> 01.02.2026 10:11:12</span>\n"
      "            <span class=\"badge-tag issuer\">Kamu SM &amp; Co</span>\n"
      "        </div>\n        <div class=\"badge-meta\">\n"
      "            <span class=\"badge-tag code\"><strong>Kod:</strong> Zx9Q+aB1</span>\n"
      "            <span class=\"badge-tag info\">evraksorgu.adalet.gov.tr adresinden teyit "
      "edilebilir</span>\n"
      "        </div>\n    </div>\n</div>\n    <div class=\"document-sheet\">";
  const std::string cross = "<path d=\"M9.5 9.5l5 5\"/><path d=\"M14.5 9.5l-5 5\"/>";
  const struct {
    SignatureStatus status;
    std::string kind, mark, title, rule;
  } cases[] = {{SignatureStatus::verified, "signed", "<path d=\"M9 12l2 2 4-4\"/>",
                "5070 Sayılı Kanun Uyarınca Güvenli Elektronik İmza ile İmzalanmıştır", ""},
               {SignatureStatus::contentChanged, "changed", cross,
                "İmza Geçersiz: Belge İmzalandıktan Sonra Değiştirilmiş", ".verification-badge.changed,\n"},
               {SignatureStatus::signatureInvalid, "invalid", cross,
                "İmza Geçersiz: İmza Değeri Doğrulanamadı", ".verification-badge.invalid {\n"},
               {SignatureStatus::unreadable, "unreadable", "<path d=\"M12 7.5v5\"/><path d=\"M12 15v2\"/>",
                "İmza Doğrulanamadı: İmza Dosyası Okunamadı", ".verification-badge.unreadable {\n"}};
  for (const auto& c : cases) {
    doc.signature.status = c.status;
    const std::string html = page();
    EXPECT_TRUE(has(html, "<body>\n    <div class=\"verification-badge " + c.kind +
                              "\">\n    <div class=\"badge-icon\">\n        <svg width=\"22\" height=\"22\" "
                              "viewBox=\"0 0 24 24\" fill=\"none\" stroke=\"currentColor\" "
                              "stroke-width=\"2\"><path d=\"M12 22s8-4 8-10V5l-8-3-8 3v7c0 6 8 10 8 10z\"/>" +
                              c.mark +
                              "</svg>\n    </div>\n    <div class=\"badge-info\">\n        "
                              "<div class=\"badge-title\">" +
                              c.title + "</div>\n" + details))
        << c.kind;
    if (c.rule.empty()) {
      EXPECT_FALSE(has(html, "changed") || has(html, "invalid") || has(html, "unreadable"));
    } else {
      EXPECT_TRUE(has(html, "\n        " + c.rule) && has(html, "\n            " + c.rule)) << c.kind;
    }
    EXPECT_TRUE(has(html, "\n        .badge-meta + .badge-meta {\n            margin-top: 4px;\n"));
    EXPECT_FALSE(has(html, "class=\"verification-badge uyap\"")) << c.kind;
  }
}

// Without a code and with one signer, the single details line as it always
// was, its separators kept when fields are empty.
TEST_F(PageWriterTest, SignedBadgeWithEmptyFieldsKeepsTheSeparators) {
  doc.signature.isSigned = true;
  const std::string html = page();
  EXPECT_TRUE(
      has(html,
          "        <div class=\"badge-meta\">\n            \n            \n            \n            \n"
          "        </div>\n    </div>\n</div>\n"));
  EXPECT_FALSE(has(html, ".badge-meta + .badge-meta"));
}

// Several signers: one line each in the model's order, only the tags that
// hold something, a signer whose own check failed marked.
TEST_F(PageWriterTest, SeveralSignersOneLineEach) {
  doc.signature = {true, "CAHİT YILMAZ", "", "", "", SignatureStatus::contentChanged};
  doc.signature.signers = {
      {"CAHİT YILMAZ", "31415926530", "", ""},
      {"Ayşe <Demir>", "", "E-Tuğra", "", DigestAlgorithm::sha384, SignatureStatus::contentChanged},
      {"", "", "", "", DigestAlgorithm::sha256, SignatureStatus::signatureInvalid}};
  const std::string failed = "<span class=\"badge-tag failed\"><strong>İmza Geçersiz:</strong> ";
  EXPECT_TRUE(
      has(page(),
          "Değiştirilmiş</div>\n        <div class=\"badge-meta\">\n"
          "            <span class=\"badge-tag signer\"><strong>İmzalayan:</strong> CAHİT YILMAZ</span>\n"
          "            <span class=\"badge-tag tc\"><strong>T.C.:</strong> 31415926530</span>\n"
          "        </div>\n        <div class=\"badge-meta\">\n            " +
              failed +
              "Belge İmzalandıktan Sonra Değiştirilmiş</span>\n"
              "            <span class=\"badge-tag signer\"><strong>İmzalayan:</strong> Ayşe "
              "&lt;Demir&gt;</span>\n            <span class=\"badge-tag issuer\">E-Tuğra</span>\n"
              "        </div>\n        <div class=\"badge-meta\">\n            " +
              failed + "İmza Değeri Doğrulanamadı</span>\n        </div>\n    </div>\n</div>\n"));
  EXPECT_TRUE(has(page(), "\n        .badge-meta + .badge-meta {\n"));
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
