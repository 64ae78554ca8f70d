#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/text/text.hpp"
#include "reader/udf_parser.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using testing::bytes;
using testing::makeUdf;
using testing::ZipWriter;

// content.xml as the editor writes it: the text in one CDATA block, then
// the elements (the editor's styles and properties are in the golden
// documents).
std::string editorXml(std::string_view text, std::string_view elements) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n<template format_id=\"1.8\" >\n<content><![CDATA[" +
         std::string(text) + "]]></content>\n<elements resolver=\"hvl-default\">\n" + std::string(elements) +
         "\n</elements>\n</template>\n";
}

std::string paragraphXml(int start, int length) {
  return "<paragraph Alignment=\"0\"><content startOffset=\"" + std::to_string(start) + "\" length=\"" +
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
  // What the XML parser refuses before any text is no document, not an empty one.
  EXPECT_FALSE(parseXml("just text, no markers"));
  EXPECT_FALSE(parseXml("<!DOCTYPE t [<!ENTITY a \"b\">]><template><content>Metin</content></template>"));
  EXPECT_EQ(parseXml("<template><content>Metin</content><x>&a;</x></template>")->rawText, "Metin");
}

// --- The declared encoding -------------------------------------------------------

// What the declaration names is how the bytes are read (UTF-8 declared
// keeps today's Windows-1254 fallback); UTF-16 without a mark is found from
// "<?xm". The thumbnail's beginning reads alike.
TEST(DocumentParserTest, DeclaredEncodingIsHonoured) {
  const auto declared = [](std::string_view name, std::string_view text) {
    return "<?xml version=\"1.0\" encoding=\"" + std::string(name) + "\"?>" + cdata(text);
  };
  const std::string bare = utf16(declared("UTF-16", "Gen\xC4\xB0\xC5\x9F")).substr(2);
  std::string big = bare;
  for (std::size_t i = 0; i + 1 < big.size(); i += 2) std::swap(big[i], big[i + 1]);
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {declared("ISO-8859-9", "\xDE\xFD\xF0\xDD"), "Şığİ"},
      {declared("latin5", "\xC3\xA9"), "Ã©"},
      {declared("windows-1254", "\x80\xFE"), "€ş"},
      {declared("Windows-1254", "\x81"), std::nullopt},
      {declared("ISO-8859-1", "\xDE\xFD"), "Þý"},
      {declared("UTF-8", "\xFE"), "ş"},
      {declared("Big5", "\xC3\xA9"), "é"},
      {bare, "Genİş"},
      {big, "Genİş"},
  };
  for (const auto& [xml, text] : cases) {
    const std::vector<std::uint8_t> udf = makeUdf(xml);
    const std::optional<UDFDocument> doc = parse(udf);
    EXPECT_EQ(doc ? std::optional(doc->rawText) : std::nullopt, text) << xml;
    EXPECT_EQ(UDFParser::rawText(udf, 1024), text) << xml;
  }
}

// --- The text block and the body: from the tree or, failing that, the fallback ------
// (the metin-*, sayfa-*, kod-*, webid and imza-* golden documents hold the
// cases)

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

// The thumbnail keeps only the beginning of content.xml but reads the entry
// the full parse reads: an entry refused (cut short, longer than it says,
// past the budget) is never shown, an earlier good one is, and bytes no
// encoding takes at the end refuse the beginning too.
TEST(DocumentParserTest, LimitedRawTextReadsTheEntryTheParseReads) {
  std::string content = "<template><content><![CDATA[Kabul]]></content><elements>";
  for (std::uint32_t i = 0; content.size() < 400 * 1024; ++i) content += std::to_string(i * 2654435761u);
  ZipWriter::Entry cut;
  cut.name = "content.xml";
  cut.data = ZipWriter::deflateRaw(bytes(content));
  cut.data.resize(cut.data.size() - 64);
  cut.precompressed = true;
  ZipWriter::Entry longer;
  longer.name = "content.xml";
  longer.data = bytes(content);
  longer.declaredUncompressedSize = 4096;
  const std::string earlier = "<template><content><![CDATA[Red]]></content></template>";
  // One stored 256 KiB blob charged 1,024 times fills the budget.
  ZipWriter full;
  full.add("blob", std::string(256 * 1024, 'z'), 0).add("content.xml", earlier);
  for (int i = 0; i < 1024; ++i) {
    ZipWriter::Entry reference;
    reference.name = "copy";
    reference.method = 0;
    reference.declaredCompressedSize = 256 * 1024;
    reference.declaredLocalHeaderOffset = 0;
    full.add(reference);
  }
  for (const auto& udf : {ZipWriter().add("content.xml", earlier).add(cut).finish(),
                          ZipWriter().add("content.xml", earlier).add(longer).finish(),
                          full.add("content.xml", content).finish()}) {
    EXPECT_EQ(UDFParser::rawText(udf, 1024), "Red");
    EXPECT_EQ(UDFParser::parse(udf)->rawText, "Red");
  }
  for (const auto& udf : {ZipWriter().add(cut).finish(), makeUdf(content + "\x81"),
                          makeUdf(utf16(content) + std::string("\0\xD8", 2))}) {
    EXPECT_FALSE(UDFParser::parse(udf));
    EXPECT_EQ(UDFParser::rawText(udf, 1024), std::nullopt);
  }
  EXPECT_EQ(UDFParser::rawText(makeUdf(content + "\xFD"), 1024), "Kabul");  // Windows-1254 after all
}

// The footer's page number attributes, and the text each page gets from them
// (first and last of 13 pages). The code attribute carries its name as the
// editor writes it.
std::optional<UDFDocument> footerWithNumber(const std::string& code, const std::string& others) {
  return parseXml(editorXml(
      "f\n", "<footer pageNumber-spec=\"" + code + "\" " + others + ">" + paragraphXml(0, 1) + "</footer>"));
}

TEST(DocumentParserTest, FooterPageNumberFromItsAttributes) {
  const std::tuple<std::string, std::string, TextAlignment, std::string, std::string> cases[] = {
      {"BSP32_08", "", TextAlignment::left, "1", "13"},
      {"BSP32_40", "", TextAlignment::center, "1", "13"},
      {"BSP32_72", "pageNumber-foreStr=\"Sayfa \"", TextAlignment::right, "Sayfa 1", "Sayfa 13"},
      {"BSP32_2088", "pageNumber-seperator=\" - \"", TextAlignment::center, "1 - 13", "13 - 13"},
      {"BSP32_2120", "pageNumber-seperator=\"/\" pageNumber-pageStartNumStr=\"5\"", TextAlignment::right,
       "5/13", "17/13"},
      {"BSP32_2120", "pageNumber-pageStartNumStr=\"\"", TextAlignment::right, "1/13", "13/13"}};
  for (const auto& [code, others, alignment, first, last] : cases) {
    auto doc = footerWithNumber(code, others);
    ASSERT_TRUE(doc && doc->pageNumber) << code << others;
    EXPECT_EQ(doc->pageNumber->alignment(), alignment) << code;
    EXPECT_EQ(doc->pageNumber->text(0, 13), first) << code << others;
    EXPECT_EQ(doc->pageNumber->text(12, 13), last) << code << others;
  }
  auto styled = footerWithNumber(
      "BSP32_2120",
      "pageNumber-fontFace=\"Verdana\" pageNumber-fontSize=\"9\" pageNumber-fontBold=\"true\" "
      "pageNumber-fontItalic=\"false\" pageNumber-color=\"-65536\"");
  ASSERT_TRUE(styled && styled->pageNumber);
  EXPECT_EQ(*styled->pageNumber, (PageNumberFormat{2120, "/", "Verdana", 9, true, false, 0xFF0000u, "", 1}));
  for (const char* code : {"BSP32", "BSP32_x", ""}) {
    auto none = footerWithNumber(code, "");
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->pageNumber) << code;
  }
}

}  // namespace
}  // namespace maravel
