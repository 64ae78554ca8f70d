#include "tests/support/hostile_document.hpp"

#include <limits>
#include <optional>

#include "tools/zip_writer.hpp"

namespace maravel::testing {

// Quotes, angle brackets, the ends of style, script and comment, braces,
// backslashes, CSS functions, a NUL, a lone surrogate (as CESU bytes),
// invalid UTF-8 and line separators.
const std::string kHostile =
    std::string("\"'<>&<img src=x onerror=alert(1)></style></script>--><!--{}\\") +
    "url(x)expression(alert(1))" + std::string(1, '\0') +
    "\xED\xA0\x80\xFF*/ /* @import url(evil.css); javascript:alert(1) ]]> \u2028\n\t;color:red";

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

ParagraphItem hostileParagraph() {
  ParagraphItem p;
  TextRun text;
  text.text = kHostile + "\t" + kHostile;
  text.fontFamily = kHostile;
  text.fontSize = kNaN;
  text.underline = true;
  text.foreground = 0xFF12AB34u;
  text.background = 0x80FFFFFFu;
  TextRun huge = text;
  huge.fontFamily = "\"";
  huge.fontSize = 1e300;
  huge.isSuperscript = true;
  TextRun picture;
  picture.image = InlineImage{.base64 = kHostile, .mimeType = kHostile, .width = kNaN, .height = -kInf};
  TextRun png;
  png.image = InlineImage{.base64 = "iVBORw0KGgo\"><script>alert(1)</script>",
                          .mimeType = "image/png\" onload=\"x",
                          .width = 1e308,
                          .height = 5e-324};
  p.runs = {text, huge, picture, png};
  p.alignment = TextAlignment::justify;
  p.leftIndent = kInf;
  p.firstLineIndent = -1e308;
  p.hanging = kNaN;
  p.lineSpacing = 1e300;
  p.tabStops = std::vector<TabStop>{{kNaN, 1}, {-kInf, 2}, {1e308, 4}};
  p.listMarker = kHostile;
  return p;
}

TableItem hostileTable() {
  TableCell cell;
  cell.elements = {hostileParagraph()};
  cell.border = TableBorder{.kind = kHostile, .color = 0xFFFFFFFFu, .width = kNaN};
  TableCell framed = cell;
  framed.border = TableBorder{.kind = "borderCell", .color = 0xAB123456u, .width = kInf};
  framed.elements.emplace_back(TableItem{
      .rows = {TableRow{.cells = {cell}, .columnSpans = std::nullopt, .height = 0, .border = std::nullopt}},
      .columnSpans = std::vector<double>{kNaN},
      .border = TableBorder{.kind = "borderTable", .color = {}, .width = 1}});
  TableRow row;
  row.cells = {cell, framed};
  row.columnSpans = std::vector<double>{kNaN, kInf};
  row.height = kNaN;
  TableItem table;
  table.rows = {row};
  table.columnSpans = std::vector<double>{-1, 1e308};
  return table;
}

}  // namespace

UDFDocument hostileDocument(bool signedDocument) {
  UDFDocument doc;
  doc.elements = {hostileParagraph(), hostileTable()};
  doc.headerElements = {hostileParagraph()};
  doc.footerElements = {hostileParagraph()};
  doc.headerStartPage = std::numeric_limits<std::int64_t>::min();
  doc.headerColor = 0xFFAB1234u;
  doc.footerColor = 0x00123456u;
  doc.pageProps = {kNaN, kInf, -kInf, 1e308, 0, 2, kNaN, kInf};
  doc.verificationCode = kHostile;
  doc.webID = kHostile;
  doc.pageNumber = PageNumberFormat{PageNumberFormat::kWithTotal,
                                    kHostile,
                                    kHostile,
                                    kNaN,
                                    true,
                                    true,
                                    0xFF00FF00u,
                                    kHostile,
                                    std::numeric_limits<std::int64_t>::min()};
  if (signedDocument) {
    doc.signature = {true, kHostile, kHostile, kHostile, kHostile, SignatureStatus::contentChanged};
    const Signer hostile{
        kHostile, kHostile, kHostile, kHostile, DigestAlgorithm::sha256, SignatureStatus::contentChanged};
    doc.signature.signers = {hostile, hostile};
  }
  doc.rawText = kHostile;
  return doc;
}

// The same texts through the reader: attribute values, the text block and
// a form's data as a document can carry them (escaped for XML, NUL and bad
// bytes aside).
std::vector<std::uint8_t> hostileArchive() {
  const std::string xmlSafe =
      "&quot;&apos;&lt;/style&gt;&lt;/script&gt;--&gt;{}\\url(x)expression(1);@import";
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n<template format_id=\"1.8\" >\n<content><![CDATA[" +
      std::string("</style><script>alert(1)</script>--> \t\"'") +
      "]]></content><properties><pageFormat leftMargin=\"" + xmlSafe + "\" /></properties>\n" +
      "<elements resolver=\"hvl-default\">\n<paragraph TabSet=\"" + xmlSafe +
      "\" Numbered=\"true\" NumberType=\"" + xmlSafe + "\"><content family=\"" + xmlSafe + "\" size=\"" +
      xmlSafe + "\" foreground=\"" + xmlSafe + "\" startOffset=\"0\" length=\"60\" />" +
      "<image imageData=\"" + xmlSafe + "\" width=\"" + xmlSafe +
      "\" /><field fieldName=\"v\" length=\"1\" />" + "</paragraph>\n</elements>\n<data><v>" + xmlSafe +
      "</v></data>\n" + "<webID id=\"" + xmlSafe + "\" />\n</template>\n";
  // A certificate-like signature whose common name holds the texts.
  const std::string name = "</script><b onclick=\"x\">Ad Soyad</b>";
  std::string signature = std::string("\x55\x04\x03\x0C", 4) + static_cast<char>(name.size()) + name;
  return makeUdf(xml, "<entry key=\"uyapdogrulamakodu\">" + xmlSafe + "</entry>", signature);
}

}  // namespace maravel::testing
