#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/text/text.hpp"
#include "reader/signature_verifier.hpp"
#include "reader/udf_parser.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/test_signer.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using testing::bytes;
using testing::makeUdf;
using testing::ZipWriter;

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n";
constexpr std::string_view kStyles =
    "<styles><style name=\"default\" size=\"12\" family=\"Dialog\" FONT_ATTRIBUTE_KEY=\"javax.swing.plaf."
    "FontUIResource[family=Dialog,name=Dialog,style=plain,size=12]\" /><style name=\"hvl-default\" "
    "size=\"12\" family=\"Times New Roman\" /></styles>";

// content.xml as the editor writes it: the text in one CDATA block, then
// properties, elements and styles.
std::string editorXml(std::string_view text, std::string_view elements, std::string_view properties = "",
                      std::string_view tail = "") {
  std::string xml(kDeclaration);
  xml += "<template format_id=\"1.8\" >\n<content><![CDATA[";
  xml += text;
  xml += "]]></content><properties>";
  xml += properties;
  xml += "</properties>\n<elements resolver=\"hvl-default\">\n";
  xml += elements;
  xml += "\n</elements>\n";
  xml += kStyles;
  xml += tail;
  xml += "\n</template>\n";
  return xml;
}

std::string paragraphXml(int start, int length, std::string_view extra = "") {
  return "<paragraph Alignment=\"0\" resolver=\"hvl-default\"" + std::string(extra) +
         "><content resolver=\"hvl-default\" startOffset=\"" + std::to_string(start) + "\" length=\"" +
         std::to_string(length) + "\" /></paragraph>";
}

// content.xml that is only the text block.
std::string cdata(std::string_view text) {
  return "<template><content><![CDATA[" + std::string(text) + "]]></content></template>";
}

// content.xml in UTF-16, little-endian, after its byte-order mark.
std::string utf16(std::string_view xml) {
  std::string out = "\xFF\xFE";
  for (const char16_t unit : text::toUTF16(xml))
    out += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return out;
}

std::optional<UDFDocument> parse(const std::vector<std::uint8_t>& data) { return UDFParser::parse(data); }

std::optional<UDFDocument> parseXml(std::string_view contentXml,
                                    std::optional<std::string_view> properties = std::nullopt,
                                    std::optional<std::string_view> signature = std::nullopt) {
  return parse(makeUdf(contentXml, properties, signature));
}

using Texts = std::vector<std::string>;

Texts texts(const std::vector<DocumentElement>& elements) {
  std::vector<std::string> out;
  for (const auto& element : elements) {
    if (const auto* paragraph = element.paragraph()) out.push_back(paragraph->fullText());
  }
  return out;
}

// --- When there is no document --------------------------------------------------

TEST(DocumentParserTest, NoDocumentWithoutAZipContentXmlOrAKnownEncoding) {
  EXPECT_FALSE(parse(bytes("<template><content>not a zip</content></template>")));
  EXPECT_FALSE(parse({}));
  EXPECT_FALSE(parse(ZipWriter().add("Content.xml", "<template/>").add("sign.sgn", "x").finish()));
  // 0x81 is unassigned in Windows-1254 and cannot start a UTF-8 sequence.
  EXPECT_FALSE(parseXml(cdata("a\x81")));
  // A byte-order mark names the encoding: what is not valid in it is no document.
  EXPECT_FALSE(parseXml(utf16(cdata("a")) + "x"));
  EXPECT_FALSE(parseXml(std::string("\0\0\xFE\xFF\0\0\xD8\0", 8)));
}

// --- The text block and the body: from the tree or, failing that, the fallback ------

TEST(DocumentParserTest, TextAndBodyFromTheTreeOrFromTheFallback) {
  const struct {
    std::string xml, rawText;
    Texts body;
  } cases[] = {
      // "ŞİĞÜÖÇ ışığı" in Windows-1254.
      {cdata("\xDE\xDD\xD0\xDC\xD6\xC7 \xFD\xFE\xFD\xF0\xFD"), "ŞİĞÜÖÇ ışığı", Texts{"ŞİĞÜÖÇ ışığı"}},
      // Broken XML with its markers: the fallback splits at line feeds,
      // keeping the trailing empty paragraph.
      {"<template><content><![CDATA[Birinci satır\nİkinci satır]]></content><elements><oops>",
       "Birinci satır\nİkinci satır", Texts{"Birinci satır", "İkinci satır"}},
      {cdata("bir\n\niki\n"), "bir\n\niki\n", Texts{"bir", "", "iki", ""}},
      // Line ends as the XML parser delivers them, as in any XML reader.
      {cdata("bir\r\niki\r\n"), "bir\niki\n", Texts{"bir", "iki", ""}},
      {cdata("  a &amp; b  "), "  a &amp; b  ", Texts{"  a &amp; b  "}},
      {std::string(kDeclaration) + "<template><content>Düz metin &amp; devamı</content><elements>" +
           paragraphXml(0, 5) + "</elements></template>",
       "Düz metin & devamı", Texts{"Düz m"}},  // text from the tree without CDATA
      {"<template>\n<content>\n<![CDATA[Satır]]>\n</content><elements>" + paragraphXml(1, 5) +
           "</elements></template>",
       "\nSatır\n", Texts{"Satır"}},  // the line break before CDATA is part of the text
      {"<document><content><![CDATA[satır]]></content><elements>" + paragraphXml(0, 2) +
           "</elements></document>",
       "satır", Texts{"satır"}},  // no template: the fallback
      {"just text, no markers", "", Texts{}},
      // The text is what the XML says, not what looks like it in a comment
      // or another element.
      {"<template><!-- <content><![CDATA[sahte]]></content> --><x><content>iç</content></x>"
       "<content><![CDATA[gerçek]]><b>alt</b>!</content></template>",
       "gerçek!", Texts{"gerçek!"}},
      {utf16(cdata("ağaç\nşğ")), "ağaç\nşğ", Texts{"ağaç", "şğ"}}};
  for (const auto& c : cases) {
    auto doc = parseXml(c.xml);
    ASSERT_TRUE(doc) << c.xml;
    EXPECT_EQ(doc->rawText, c.rawText);
    EXPECT_EQ(texts(doc->elements), c.body) << c.xml;
  }
  // Fallback paragraphs are one plain run each, in a document with nothing else.
  auto doc = parseXml(cases[1].xml);
  ParagraphItem first;
  first.runs.resize(1);
  first.runs[0].text = "Birinci satır";
  EXPECT_EQ(*doc->elements.at(0).paragraph(), first);
  EXPECT_EQ(doc->pageProps, PageProperties());
  EXPECT_TRUE(doc->headerElements.empty() && doc->footerElements.empty() && doc->webID.empty());
}

TEST(DocumentParserTest, FallbackStopsAtItsParagraphBound) {
  // A few kilobytes of compressed line feeds must not become millions of
  // paragraphs; the lines before the bound are kept.
  std::string lines = "ilk";
  lines.append(UDFParser::kMaxFallbackParagraphs + 10, '\n');
  auto doc = parseXml(cdata(lines));
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->elements.size(), UDFParser::kMaxFallbackParagraphs);
  EXPECT_EQ(doc->elements.front().paragraph()->fullText(), "ilk");
}

// --- The raw text alone, for the thumbnail ------------------------------------------------

std::string sourceFile(const std::string& path) { return testing::readFile(MARAVEL_SOURCE_DIR "/" + path); }

TEST(DocumentParserTest, RawTextAloneIsWhatTheFullParseGives) {
  std::vector<std::vector<std::uint8_t>> inputs;
  for (const char* name :
       {"samples/karar/content.xml", "samples/dilekce/content.xml", "samples/imzali-tutanak/content.xml",
        "tests/golden/bicim.xml", "tests/golden/bozuk.xml", "tests/golden/tablolar.xml"}) {
    const std::string xml = sourceFile(name);
    ASSERT_FALSE(xml.empty()) << name;
    inputs.push_back(makeUdf(xml));
    inputs.push_back(makeUdf(xml.substr(0, xml.size() / 2)));  // cut in the middle of the markup
    inputs.push_back(makeUdf(xml + "\xFE"));                   // Windows-1254 after all
  }
  const std::vector<std::uint8_t> archive = inputs.front();
  inputs.push_back({archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(archive.size() / 2)});
  inputs.push_back(bytes("not a zip"));
  inputs.push_back({});
  inputs.push_back(ZipWriter().add("Content.xml", "<template/>").finish());
  for (const char* xml :
       {"<template><content><![CDATA[a\x81]]></content></template>",
        "<template><content>Düz &amp; metin</content><elements><paragraph",
        "<template><elements/><content>\n<![CDATA[sonra]]>\n</content></template>",
        "<document><content>ağaçsız</content></document>",
        "<template><!-- <content>x</content> --><elements/><a><content/></a><content>y</content>"})
    inputs.push_back(makeUdf(xml));
  inputs.push_back(makeUdf(utf16(sourceFile("samples/karar/content.xml"))));
  ZipWriter::Entry tooSmall;  // declares less than it inflates to
  tooSmall.name = "content.xml";
  tooSmall.data = bytes(sourceFile("samples/karar/content.xml"));
  tooSmall.declaredUncompressedSize = 100;
  inputs.push_back(ZipWriter().add(tooSmall).finish());

  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::optional<UDFDocument> doc = UDFParser::parse(inputs[i]);
    const std::optional<std::string> rawText = UDFParser::rawText(inputs[i]);
    ASSERT_EQ(rawText.has_value(), doc.has_value()) << "input " << i;
    if (doc) {
      EXPECT_EQ(*rawText, doc->rawText) << "input " << i;
      const std::string head = UDFParser::rawText(inputs[i], 9).value_or("(none)");  // "Ş" is cut whole
      EXPECT_TRUE(head.size() <= 9 && doc->rawText.starts_with(head) && text::isValidUTF8(head)) << head;
    }
  }
}

// --- Verification code ---------------------------------------------------------------

constexpr std::string_view kPropertiesHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<!DOCTYPE properties SYSTEM \"http://java.sun.com/dtd/properties.dtd\">\n<properties>\n";

std::string verificationCodeOf(std::string_view entries) {
  auto doc = parseXml(cdata("x"), std::string(kPropertiesHead) + std::string(entries) + "</properties>\n");
  return doc ? doc->verificationCode : "(no document)";
}

TEST(DocumentParserTest, VerificationCodeIsTrimmedButNeverCrossesALineBreak) {
  EXPECT_EQ(verificationCodeOf("<entry key=\"uyapsicil\">0</entry>\n"
                               "<entry key=\"uyapdogrulamakodu\">  Zx9Q+aB1 \t</entry>\n"),
            "Zx9Q+aB1");
  for (const char* entry :
       {"<entry key=\"uyapdogrulamakodu\">Zx9Q\n+aB1</entry>\n",
        "<entry key=\"uyapdogrulamakodu\">\nZx9Q+aB1</entry>\n",
        "<entry key=\"uyapdogrulamakodu\">\xFE\xFF</entry>\n", "<entry key=\"uyapsicil\">1</entry>\n"}) {
    EXPECT_EQ(verificationCodeOf(entry), "") << entry;
  }
}

// --- Page format ---------------------------------------------------------------------

PageProperties pageOf(std::string_view properties) {
  auto doc = parseXml(editorXml("a\n", paragraphXml(0, 2), properties));
  EXPECT_TRUE(doc);
  return doc ? doc->pageProps : PageProperties();
}

TEST(DocumentParserTest, PageFormatOfTheFirstPropertiesWithCaseSensitiveNames) {
  const double d = 42.52;  // the default margin
  // left, right, top and bottom margin, orientation, media size
  const std::pair<std::string, PageProperties> cases[] = {
      {"<pageFormat mediaSizeName=\"2\" LeftMargin=\"30\" rightMargin=\"56.69291305541992\" topMargin=\"10\" "
       "bottomMargin=\"1e1\" paperOrientation=\"0\" headerFOffset=\"20.0\" footerFOffset=\"20.0\" />",
       PageProperties{30, 56.69291305541992, 10, 10, 0, 2, 20, 20}},
      {"<pageformat leftMargin=\"30\" />", PageProperties{30, d, d, d, 1, 1, {}, {}}},
      {"<PAGEFORMAT leftMargin=\"30\" />", PageProperties()},
      {"<PageFormat leftMargin=\"30\" />", PageProperties()},
      {"<pageFormat leftMargin=\"abc\" rightMargin=\"inf\" topMargin=\"nan\" bottomMargin=\"0x10\" "
       "paperOrientation=\"\" mediaSizeName=\"+2\" />",
       PageProperties{d, d, d, d, 1, 2, {}, {}}},
      {"<pageFormat paperOrientation=\" 0\" mediaSizeName=\"2.0\" />", PageProperties()},
      {"<pageFormat mediaSizeName=\"99999999999999999999\" />", PageProperties()},
      {"<pageformat leftMargin=\"11\" /><pageFormat leftMargin=\"22\" />",
       PageProperties{11, d, d, d, 1, 1, {}, {}}}};
  for (const auto& [properties, page] : cases) EXPECT_EQ(pageOf(properties), page) << properties;
  auto doc = parseXml(
      editorXml("a\n", paragraphXml(0, 2), "", "<properties><pageFormat leftMargin=\"33\" /></properties>"));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->pageProps, PageProperties());
}

// --- Web identifier (styles, header and footer are in the golden documents)
// ------------------------------------------

TEST(DocumentParserTest, WebIdentifierIsTrimmedAndOnlyTheFirstCounts) {
  for (const auto& [tail, webID] :
       {std::pair{"<webID id=\"  ABC  -  DEF=\n\" >\n\n</webID><webID id=\"later\" />", "ABC  -  DEF="},
        {"<webID /><webID id=\"later\" />", ""}}) {
    auto doc = parseXml(editorXml("a\n", paragraphXml(0, 2), "", tail));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->webID, webID);
  }
}

// --- Signature ---------------------------------------------------------------------------

// The check covers the content.xml member bytes as stored: here Windows-1254
// bytes, in XML that is broken besides.
TEST(DocumentParserTest, SignatureIsReadAndCheckedEvenWhenTheXmlIsBroken) {
  const std::string content = "<template><content><![CDATA[sat\xFDr]]></content><elements";
  const auto signature = testing::TestSigner().sign(bytes(content));
  const std::string signatureText(signature.begin(), signature.end());
  auto doc = parseXml(content, std::nullopt, signatureText);
  ASSERT_TRUE(doc);
  // The summary is the check's (its fields are the verifier suite's).
  EXPECT_EQ(doc->signature, SignatureVerifier::verify(signature, bytes(content)));
  EXPECT_EQ(doc->signature.status, SignatureStatus::verified);
  EXPECT_EQ(texts(doc->elements), Texts{"satır"});
  EXPECT_EQ(parseXml(content + " ", std::nullopt, signatureText)->signature.status,
            SignatureStatus::contentChanged);
  EXPECT_EQ(parseXml(content, std::nullopt, std::string(32, '\0'))->signature.status,
            SignatureStatus::unreadable);
  EXPECT_EQ(parseXml(cdata("satır"))->signature, SignatureInfo());
}

// The footer's page number attributes, and the text each page gets from them
// (first and last of 13 pages).
TEST(DocumentParserTest, FooterPageNumberFromItsAttributes) {
  struct Case {
    std::string attributes;
    TextAlignment alignment;
    std::string first, last;
  };
  const Case cases[] = {
      {"pageNumber-spec=\"BSP32_08\"", TextAlignment::left, "1", "13"},
      {"pageNumber-spec=\"BSP32_40\"", TextAlignment::center, "1", "13"},
      {"pageNumber-spec=\"BSP32_72\" pageNumber-foreStr=\"Sayfa \"", TextAlignment::right, "Sayfa 1",
       "Sayfa 13"},
      {"pageNumber-spec=\"BSP32_2088\" pageNumber-seperator=\" - \"", TextAlignment::center, "1 - 13",
       "13 - 13"},
      {"pageNumber-spec=\"BSP32_2120\" pageNumber-seperator=\"/\" pageNumber-pageStartNumStr=\"5\"",
       TextAlignment::right, "5/13", "17/13"},
      {"pageNumber-spec=\"BSP32_2120\" pageNumber-pageStartNumStr=\"\"", TextAlignment::right, "1/13",
       "13/13"}};
  for (const auto& c : cases) {
    auto doc = parseXml(editorXml("f\n", "<footer " + c.attributes + ">" + paragraphXml(0, 1) + "</footer>"));
    ASSERT_TRUE(doc && doc->pageNumber) << c.attributes;
    EXPECT_EQ(doc->pageNumber->alignment(), c.alignment) << c.attributes;
    EXPECT_EQ(doc->pageNumber->text(0, 13), c.first) << c.attributes;
    EXPECT_EQ(doc->pageNumber->text(12, 13), c.last) << c.attributes;
  }
  auto styled = parseXml(editorXml(
      "f\n",
      "<footer pageNumber-spec=\"BSP32_2120\" pageNumber-fontFace=\"Verdana\" pageNumber-fontSize=\"9\" "
      "pageNumber-fontBold=\"true\" pageNumber-fontItalic=\"false\" pageNumber-color=\"-65536\"></footer>"));
  ASSERT_TRUE(styled && styled->pageNumber);
  EXPECT_EQ(*styled->pageNumber, (PageNumberFormat{2120, "/", "Verdana", 9, true, false, 0xFF0000u, "", 1}));
  for (const char* spec : {"BSP32", "BSP32_x", ""}) {
    auto none = parseXml(editorXml("f\n", std::string("<footer pageNumber-spec=\"") + spec + "\"></footer>"));
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->pageNumber) << spec;
  }
}

}  // namespace
}  // namespace maravel
