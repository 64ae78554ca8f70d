#include "bench/worst_cases.hpp"

#include <zlib.h>

#include <stdexcept>
#include <string_view>

#include "tests/support/shell_quoting.hpp"
#include "tools/zip_writer.hpp"

namespace maravel::testing {

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::uint32_t kGiB = std::uint32_t{1} << 30;

constexpr std::string_view kParagraph =
    R"(<paragraph LineSpacing="0.0" SpaceBelow="1.0" RightIndent="0.0" SpaceAbove="1.0" Hanging="0.0" )"
    R"(LeftIndent="0.0" Alignment="0" resolver="hvl-default")";

std::string content(std::size_t start, std::size_t length, std::string_view more = "") {
  return R"(<content resolver="hvl-default" )" + std::string(more) + R"(startOffset=")" +
         std::to_string(start) + R"(" length=")" + std::to_string(length) + R"(" />)";
}

std::string paragraph(const std::string& children, std::string_view more = "") {
  return std::string(kParagraph) + std::string(more) + ">" + children + "</paragraph>";
}

// Words of a decision, repeated to `length` bytes (ASCII letters only, so
// bytes and UTF-16 units agree), with a tab every `tabEvery` words.
std::string textBlock(std::size_t length, std::size_t tabEvery = 12) {
  static constexpr std::string_view kWords[] = {"Davaci",    "vekili", "dava",   "dilekcesinde", "ozetle",
                                                "muvekkili", "ile",    "davali", "arasinda",     "ticari"};
  std::string text;
  text.reserve(length + 16);
  for (std::size_t word = 0; text.size() < length; ++word) {
    text += kWords[word % std::size(kWords)];
    text += (word + 1) % tabEvery == 0 ? '\t' : ' ';
  }
  text.resize(length);
  return text;
}

// `piece`, `times` times over.
std::string repeated(const std::string& piece, std::size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::vector<std::uint8_t> udf(const std::string& contentXml) { return makeUdf(contentXml); }

// Raw deflate (or, with `windowBits` 15, a zlib stream) of `size` zero
// bytes, compressed in pieces so that the zeros never sit in memory at once.
std::vector<std::uint8_t> deflatedZeros(std::size_t size, int windowBits = -15) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  const std::vector<std::uint8_t> zeros(kMiB, 0);
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> piece(64 * 1024);
  for (std::size_t left = size;;) {
    const std::size_t now = std::min(left, zeros.size());
    left -= now;
    stream.next_in = const_cast<Bytef*>(zeros.data());
    stream.avail_in = static_cast<uInt>(now);
    const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    int status = Z_OK;
    do {
      stream.next_out = piece.data();
      stream.avail_out = static_cast<uInt>(piece.size());
      status = deflate(&stream, flush);
      out.insert(out.end(), piece.data(), piece.data() + (piece.size() - stream.avail_out));
    } while (stream.avail_out == 0);
    if (left == 0 && status == Z_STREAM_END) break;
  }
  deflateEnd(&stream);
  return out;
}

// Patches the 16-bit little-endian field at `at`.
void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  bytes.at(at) = static_cast<std::uint8_t>(value & 0xFF);
  bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

std::size_t find(const std::vector<std::uint8_t>& bytes, std::string_view what) {
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return all.find(what);
}

// --- The cases -------------------------------------------------------------------

std::vector<std::uint8_t> runsSpanningTheText() {
  const std::string text = textBlock(kMiB);
  return udf(editorContent(text, paragraph(repeated(content(0, text.size()), 100'000))));
}

std::vector<std::uint8_t> inheritedTabSet() {
  std::string tabSet;
  for (int position = 1; tabSet.size() < kMiB; ++position) tabSet += std::to_string(position) + ".0:1:0,";
  const std::string text(1000, '\t');
  const std::string paragraphs = repeated(paragraph(content(0, text.size())), 100'000);
  return udf(editorContent(text, paragraphs, R"( TabSet=")" + tabSet + R"(")"));
}

std::vector<std::uint8_t> tableCells() {
  const std::string row = R"(<row rowName="row1" rowType="dataRow">)" +
                          repeated("<cell>" + paragraph("") + "</cell>", 200) + "</row>";
  return udf(
      editorContent("Ornek metin", R"(<table tableName="Sabit" columnCount="200" border="borderCell">)" +
                                       repeated(row, 1000) + "</table>"));
}

std::vector<std::uint8_t> nestedTables() {
  const std::string table = repeated(R"(<table border="borderCell"><row><cell>)", 10'000) +
                            paragraph(content(5, 2)) + repeated("</cell></row></table>", 10'000);
  return udf(editorContent("Once Ic Sonra", paragraph(content(0, 4)) + table + paragraph(content(8, 5))));
}

std::vector<std::uint8_t> deepListLevels() {
  std::string paragraphs;
  for (int i = 0; i < 100'000; ++i) {
    paragraphs += paragraph(
        content(0, 5), R"( Numbered="true" ListId=")" + std::to_string(i) + R"(" ListLevel="2147483648")");
  }
  return udf(editorContent("Madde", paragraphs));
}

std::vector<std::uint8_t> countersPastTheLargest() {
  return udf(editorContent(
      "Madde", paragraph(content(0, 5), R"( Numbered="true" NumberSetted="9223372036854775805")") +
                   repeated(paragraph(content(0, 5), R"( Numbered="true")"), 99'999)));
}

std::vector<std::uint8_t> manyEntries() {
  ZipWriter zip;
  for (int i = 1; i < 65'535; ++i) zip.add("Pictures/p" + std::to_string(i), "x", 0);
  zip.add("content.xml", editorContent("Son girdi", paragraph(content(0, 9))));
  return zip.finish();
}

// A raw deflate stream the central directory declares as `declared` bytes.
ZipWriter::Entry deflated(std::string name, std::vector<std::uint8_t> stream, std::uint32_t declared) {
  ZipWriter::Entry entry;
  entry.name = std::move(name);
  entry.data = std::move(stream);
  entry.precompressed = true;
  entry.declaredUncompressedSize = declared;
  return entry;
}

std::vector<std::uint8_t> deflateBombs() {
  ZipWriter zip;
  zip.add(deflated("content.xml", deflatedZeros(kGiB), kGiB));
  zip.add(deflated("Pictures/bomb", deflatedZeros(kMiB), kGiB));
  zip.add("content.xml", editorContent("Bombadan sonra", paragraph(content(0, 14))));
  return zip.finish();
}

std::vector<std::uint8_t> disagreeingLocalHeaders() {
  ZipWriter zip;
  ZipWriter::Entry text;
  text.name = "content.xml";
  text.data = bytes(editorContent("Yerel baslik", paragraph(content(0, 12))));
  // The compressed size runs 100 bytes into the data descriptor and the next
  // local header.
  text.declaredCompressedSize = static_cast<std::uint32_t>(ZipWriter::deflateRaw(text.data).size() + 100);
  zip.add(std::move(text));
  zip.add("documentproperties.xml", R"(<entry key="uyapdogrulamakodu">AbCd123</entry>)");
  std::vector<std::uint8_t> archive = zip.finish();
  // The properties' local header names a file name of 65,535 bytes, so its
  // data would lie past the end of the archive.
  put16(archive, find(archive, "documentproperties.xml") - 4, 0xFFFF);
  return archive;
}

std::vector<std::uint8_t> truncatedArchive() {
  std::vector<std::uint8_t> archive = udf(editorContent("Kesik", paragraph(content(0, 5))));
  archive.resize(archive.size() * 6 / 10);
  return archive;
}

// A PNG header of `width` x `height` pixels followed by `padding` base64
// characters of zero bytes.
std::string pngData(std::uint32_t width, std::uint32_t height, std::size_t padding) {
  std::vector<std::uint8_t> header = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                      0,    0,   0,   13,  'I',  'H',  'D',  'R'};
  for (const std::uint32_t side : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<std::uint8_t>(side >> shift));
  }
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve(32 + padding);
  for (std::size_t i = 0; i < header.size(); i += 3) {
    const std::uint32_t group = (header[i] << 16) | (header[i + 1] << 8) | header[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(group >> shift) & 0x3F];
  }
  out.append(padding, 'A');
  return out;
}

std::vector<std::uint8_t> hugePicture() {
  const std::string image = R"(<image imageData=")" + pngData(1000, 1000, 266'666'640) + R"(" />)";
  return udf(
      editorContent("Once Sonra", paragraph(content(0, 4)) + paragraph(image) + paragraph(content(5, 5))));
}

std::vector<std::uint8_t> pictureClaimingHugePixels() {
  const std::string image = R"(<image imageData=")" + pngData(0x80000000u, 0x80000000u, 64) + R"(" />)";
  return udf(editorContent("Resim", paragraph(content(0, 5) + image)));
}

// Windows-1254 bytes of a text written in UTF-8 with only the Turkish
// letters below outside ASCII.
std::string windows1254(std::string_view utf8) {
  static constexpr std::pair<std::string_view, char> kLetters[] = {
      {"ç", '\xE7'}, {"ğ", '\xF0'}, {"ı", '\xFD'}, {"İ", '\xDD'}, {"ö", '\xF6'}, {"ş", '\xFE'},
      {"ü", '\xFC'}, {"Ç", '\xC7'}, {"Ğ", '\xD0'}, {"Ö", '\xD6'}, {"Ş", '\xDE'}, {"Ü", '\xDC'}};
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      out += utf8[i++];
      continue;
    }
    bool replaced = false;
    for (const auto& [letter, byte] : kLetters) {
      if (utf8.substr(i, letter.size()) == letter) {
        out += byte;
        i += letter.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += utf8[i++];
  }
  return out;
}

std::vector<std::uint8_t> windows1254Content() {
  constexpr std::string_view kLine =
      "Şişli Asliye Hukuk Mahkemesi, davalı ödemeyi üstlenmiştir; Çağrı Ünlü\t";
  constexpr std::size_t kParagraphs = 25'000;
  std::size_t lineUnits = 0;  // one byte in Windows-1254 and one UTF-16 unit per character
  for (const char c : kLine) lineUnits += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  const std::size_t linesPerParagraph = 44 * kMiB / lineUnits / kParagraphs;
  std::string text;
  text.reserve(kLine.size() * linesPerParagraph * kParagraphs);
  for (std::size_t i = 0; i < linesPerParagraph * kParagraphs; ++i) text += kLine;
  const std::size_t units = linesPerParagraph * lineUnits;
  std::string paragraphs;
  for (std::size_t i = 0; i < kParagraphs; ++i) paragraphs += paragraph(content(i * units, units));
  return udf(windows1254(editorContent(text, paragraphs)));
}

// --- Second round: cost per input byte, pictures, encodings --------------------------

// The editor's content.xml with a document type declaration before `template`.
std::string withDoctype(std::string xml, const std::string& doctype) {
  xml.insert(xml.find("<template"), doctype);
  return xml;
}

// 1,000 default attributes for every paragraph.
std::string attributeDefaults() {
  std::string list = "<!DOCTYPE template [<!ATTLIST paragraph";
  for (int i = 0; i < 1000; ++i) list += " a" + std::to_string(i) + " CDATA \"1\"";
  return list + ">]>\n";
}

std::vector<std::uint8_t> defaultAttributes() {
  return udf(
      withDoctype(editorContent("Metin", repeated(paragraph(content(0, 5)), 30'000)), attributeDefaults()));
}

// The text as plain character data after the elements: no markers to find.
std::vector<std::uint8_t> defaultAttributesTextLast() {
  return udf(attributeDefaults() + "<template><elements>" + repeated(paragraph(content(0, 5)), 30'000) +
             "</elements><content>Metin</content></template>");
}

// `count` attributes a0="1" ... written on each of `elements` paragraphs,
// numbered on from `first` + the element's number x `stride`.
std::string attributedParagraphs(std::size_t elements, std::size_t count, std::size_t stride) {
  std::string out;
  for (std::size_t e = 0; e < elements; ++e) {
    std::string attributes;
    for (std::size_t i = 0; i < count; ++i) attributes += " a" + std::to_string(e * stride + i) + "=\"1\"";
    out += paragraph(content(0, 5), attributes);
  }
  return out;
}

// 989 attributes on each paragraph: with its own 8 and its run's 3, 1,000.
std::vector<std::uint8_t> literalAttributes() {
  return udf("<template><elements>" + repeated(attributedParagraphs(1, 989, 0), 10'000) +
             "</elements><content>Metin</content></template>");
}

std::vector<std::uint8_t> crowdedTag() {
  return udf(editorContent("Once Sonra", paragraph(content(0, 4)) + "<paragraph" +
                                             repeated(" a=\"\"", 30'000'000) + "/>" +
                                             paragraph(content(5, 5))));
}

std::vector<std::uint8_t> distinctNames() {
  return udf(editorContent("Metin", attributedParagraphs(300, 990, 990)));
}

std::vector<std::uint8_t> tabRuns() {
  const std::string text = "a" + std::string(kMiB - 1, '\t');
  return udf(editorContent(text, paragraph(repeated(content(0, text.size(), "underline=\"true\" "), 5))));
}

std::vector<std::uint8_t> longColumnSpans() {
  const std::string spans = repeated("1,", 30'000'000);
  const std::string row = "<row><cell>" + paragraph(content(0, 5)) + "</cell></row>";
  return udf(editorContent("Hucre", "<table columnSpans=\"" + spans + "\">" + row + row + "</table>"));
}

std::vector<std::uint8_t> hugeTextBlock() { return udf(editorContent(std::string(100 * kMiB, 'a'), "")); }

std::vector<std::uint8_t> wordOverRuns() {
  std::string runs;
  for (std::size_t i = 0; i < 10'000; ++i) runs += content(i, 1, i % 2 ? "bold=\"true\" " : "");
  return udf(editorContent(std::string(10'000, 'x'), paragraph(runs)));
}

// 200,000 letters in 20,000 runs, no break opportunity among them, in a
// paragraph whose left indent is wider than the text area: every letter
// is a line of its own.
std::vector<std::uint8_t> wordOnOnePointLines() {
  std::string runs;
  for (std::size_t i = 0; i < 20'000; ++i) runs += content(i * 10, 10, i % 2 ? "bold=\"true\" " : "");
  std::string wide = paragraph(runs);
  wide.replace(wide.find("LeftIndent=\"0.0\""), 16, "LeftIndent=\"5000.0\"");
  return udf(editorContent(std::string(200'000, 'x'), wide));
}

// One paragraph of 100,000 overrides, each around Latin letters, digits and
// a Hebrew word: every line of it is reordered.
std::vector<std::uint8_t> bidiOverrides() {
  const std::string text = repeated(
      "\u202E"
      "abc 123 \u05E9\u05DC\u05D5\u05DD \u202C",
      100'000);
  return udf(editorContent(text, paragraph(content(0, 1'500'000))));
}

void appendUTF8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// 36,000 distinct private-use characters: no font has them.
std::vector<std::uint8_t> charactersNoFontHas() {
  std::string text;
  for (char32_t c = 0xF0000; c < 0xF0000 + 36'000; ++c) appendUTF8(text, c);
  return udf(editorContent(text, paragraph(content(0, 72'000))));
}

std::vector<std::uint8_t> combiningMarks() {
  const std::string text = "a" + repeated("\xCC\x81", 300'000);
  return udf(editorContent(text, paragraph(content(0, 300'001))));
}

// A header and a footer of 20 lines each leave room for a few body lines a page.
std::vector<std::uint8_t> headerOnEveryPage() {
  return udf(
      editorContent("Baslik\nAltlik\nx", "<header>" + repeated(paragraph(content(0, 6)), 20) + "</header>" +
                                             repeated(paragraph(content(14, 1)), 200'000) + "<footer>" +
                                             repeated(paragraph(content(7, 6)), 20) + "</footer>"));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A PNG file of grey pixels of `bits` bits, all zero: every row filter 0.
std::vector<std::uint8_t> png(std::uint32_t width, std::uint32_t height, std::uint8_t bits) {
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out,
          static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
  };
  std::vector<std::uint8_t> header;
  put32(header, width);
  put32(header, height);
  header.insert(header.end(), {bits, 0, 0, 0, 0});
  chunk("IHDR", header);
  const std::size_t rowBytes = 1 + (std::size_t{width} * bits + 7) / 8;
  chunk("IDAT", deflatedZeros(rowBytes * height, 15));
  chunk("IEND", {});
  return out;
}

std::string base64(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = std::uint32_t{bytes[i]} << 16;
    if (i + 1 < bytes.size()) group |= std::uint32_t{bytes[i + 1]} << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    for (std::size_t k = 0; k < 4; ++k)
      out += i + k <= bytes.size() ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return out;
}

std::vector<std::uint8_t> withPictures(const std::vector<std::string>& pictures) {
  std::string images;
  for (const std::string& data : pictures)
    images += "<image imageData=\"" + data + "\" width=\"40\" height=\"40\" />";
  return udf(editorContent("Resim", paragraph(content(0, 5) + images)));
}

std::vector<std::uint8_t> hugePNG() { return withPictures({base64(png(20'000, 20'000, 1))}); }

std::vector<std::uint8_t> hugePNMHeader() {
  return withPictures({base64(bytes("P6\n60000 60000\n255\n" + std::string(300, 'x')))});
}

std::vector<std::uint8_t> hugePNGHeader() { return withPictures({pngData(100'000, 100'000, 64)}); }

std::vector<std::uint8_t> distinctPictures() {
  std::vector<std::string> pictures;
  for (std::uint32_t i = 0; i < 4096; ++i) pictures.push_back(base64(png(400 + i % 64, 400 + i / 64, 8)));
  return withPictures(pictures);
}

std::vector<std::uint8_t> svgFilter() {
  return withPictures({base64(bytes(
      R"(<svg xmlns="http://www.w3.org/2000/svg" width="20000" height="20000"><filter id="f">)"
      R"(<feTurbulence baseFrequency="0.001" numOctaves="20"/><feGaussianBlur stdDeviation="900"/></filter>)"
      R"svg(<rect width="100%" height="100%" filter="url(#f)"/></svg>)svg"))});
}

// An office suite that opens a Word copy holding this SVG reads the file it names.
std::vector<std::uint8_t> svgNamingAFile() {
  return withPictures(
      {base64(bytes(R"(<svg xmlns="http://www.w3.org/2000/svg" )"
                    R"(xmlns:xlink="http://www.w3.org/1999/xlink" width="400" height="400">)"
                    R"(<image xlink:href="file:///etc/passwd" width="400" height="400"/></svg>)"))});
}

// One header paragraph of 1,000 page lines: each would be two fields of a Word copy.
std::vector<std::uint8_t> pageLinesInAHeader() {
  const std::string lines = repeated("Sayfa 1 / 1 ", 1000);
  return udf(editorContent(
      lines, "<header>" + paragraph(content(0, lines.size())) + "</header>" + paragraph(content(0, 5))));
}

// FreeType refuses to draw at 65,536 points.
std::vector<std::uint8_t> hugeFontSize() {
  return udf(editorContent("Dev harf", paragraph(content(0, 8)) + "<footer>" +
                                           paragraph(content(0, 3, "size=\"65536\" ") + content(3, 5)) +
                                           "</footer>"));
}

std::vector<std::uint8_t> ordinaryDocument() {
  return udf(editorContent("Ornek metin\tsekmeli", paragraph(content(0, 19))));
}

std::vector<std::uint8_t> markersInAComment() {
  return udf(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<template><!-- <content><![CDATA[Sahte metin]]>"
      "</content> --><content><![CDATA[Gercek metin]]></content><elements>" +
      paragraph(content(0, 12)) + "</elements></template>");
}

// content.xml in UTF-16 (little-endian) or UTF-32 (big-endian) with its
// byte-order mark.
std::vector<std::uint8_t> wideContent(bool utf32, bool marked = true) {
  const std::string xml = editorContent("Genişlik ölçüsü", paragraph(content(0, 15)));
  std::vector<std::uint8_t> out =
      utf32 ? std::vector<std::uint8_t>{0, 0, 0xFE, 0xFF} : std::vector<std::uint8_t>{0xFF, 0xFE};
  if (!marked) out.clear();
  for (std::size_t i = 0; i < xml.size();) {
    const auto byte = static_cast<unsigned char>(xml[i]);
    const std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? byte : byte & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(xml[i + k]) & 0x3F);
    i += length;
    if (utf32) {
      put32(out, c);
    } else {  // the text holds no character outside the first plane
      out.insert(out.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
    }
  }
  ZipWriter zip;
  ZipWriter::Entry entry;
  entry.name = "content.xml";
  entry.data = std::move(out);
  zip.add(std::move(entry));
  return zip.finish();
}

// A form whose template row of 100 fields meets 240,000 data rows naming
// them, a value of 100 MB and leaves nested 900 deep.
std::vector<std::uint8_t> hostileFormData() {
  const std::string field = R"(<field fieldName="v" fieldType="1" startOffset="0" length="1" />)";
  std::string xml =
      editorContent("v", R"(<table><row rowType="dataRow">)" +
                             repeated("<cell>" + paragraph(field) + "</cell>", 100) + "</row></table>");
  const std::string data = "<data><v>" + std::string(100'000'000, 'x') + "</v><T>" +
                           repeated("<r><v>deger</v></r>", 240'000) + "</T>" + repeated("<n>", 900) +
                           "<v>tief</v>" + repeated("</n>", 900) + "</data>";
  return udf(xml.insert(xml.rfind("</template>"), data));
}
// --- Third round: literals, the thumbnail's entry, declarations -----------------------

// The crowded tag behind a DOCTYPE whose literal holds a comment's opening.
std::vector<std::uint8_t> crowdedBehindALiteral() {
  return udf(withDoctype(
      editorContent("Once Sonra", paragraph(content(0, 4)) + "<paragraph" + repeated(" a=\"\"", 30'000'000) +
                                      "/>" + paragraph(content(5, 5))),
      "<!DOCTYPE template SYSTEM \"<!--\">\n"));
}

// A readable content.xml, then a longer one whose deflate stream is cut short.
std::vector<std::uint8_t> refusedLaterEntry() {
  const std::string later = editorContent("Kabul edildi", paragraph(content(0, 12) + repeated(" ", 100'000)));
  ZipWriter::Entry cut;
  cut.name = "content.xml";
  cut.data = ZipWriter::deflateRaw(std::vector<std::uint8_t>(later.begin(), later.end()));
  cut.data.resize(cut.data.size() - 16);
  cut.precompressed = true;
  ZipWriter zip;
  zip.add("content.xml", editorContent("Reddedildi", paragraph(content(0, 10)))).add(cut);
  return zip.finish();
}

// Nine levels of ten references each before the document.
std::vector<std::uint8_t> entityExpansion() {
  std::string doctype = "<!DOCTYPE template [<!ENTITY l0 \"lol\">";
  for (int level = 1; level < 10; ++level) {
    doctype += "<!ENTITY l" + std::to_string(level) + " \"" +
               repeated("&l" + std::to_string(level - 1) + ";", 10) + "\">";
  }
  return udf(withDoctype(editorContent("Metin", paragraph(content(0, 5), " x=\"&l9;\"")), doctype + "]>\n"));
}

// ISO-8859-9 bytes under a declaration that says so.
std::vector<std::uint8_t> declaredLatin5() {
  std::string xml = windows1254(editorContent("Şişli Asliye Hukuk", paragraph(content(0, 18))));
  xml.replace(xml.find("UTF-8"), 5, "ISO-8859-9");
  return udf(xml);
}

// UTF-16 without a byte-order mark: found from "<?xm".
std::vector<std::uint8_t> unmarkedUTF16() { return wideContent(false, false); }

}  // namespace

const std::vector<WorstCase>& worstCases() {
  static const std::vector<WorstCase> cases = {
      {"runs", "100,000 runs each spanning the whole 1 MiB text block", "run text", runsSpanningTheText},
      {"tabset", "a 1 MiB TabSet on `elements` inherited by 100,000 paragraphs of 1,000 tabs",
       "tab stops, tab boxes", inheritedTabSet},
      {"cells", "one table of 1,000 rows x 200 cells", "XML elements", tableCells},
      {"nesting", "tables nested 10,000 deep between two paragraphs", "XML nesting, table nesting",
       nestedTables},
      {"listlevel", "100,000 lists at ListLevel 2^31", "list levels", deepListLevels},
      {"counters", "100,000 list items counting from 2^63 - 3", "list counters", countersPastTheLargest},
      {"entries", "65,535 archive entries, content.xml last", "archive entries", manyEntries},
      {"bombs", "content.xml of 1 GiB zeros (1 MiB deflated) before the real one, and 1 KiB declared 1 GiB",
       "inflation buffer, archive budget", deflateBombs},
      {"localheader", "local headers that disagree with the central directory",
       "entry data inside the archive", disagreeingLocalHeaders},
      {"truncated", "an archive cut at 60 %", "end record search", truncatedArchive},
      {"picture", "a picture whose base64 decodes to 200 MB", "picture data", hugePicture},
      {"pixels", "a PNG header claiming 2^31 x 2^31 pixels", "picture size", pictureClaimingHugePixels},
      {"windows1254", "a Windows-1254 content.xml of 50 MB", "run text, archive budget", windows1254Content},
      {"defaults", "30 million attributes from 1,000 defaults declared for every paragraph",
       "no attribute list declarations", defaultAttributes},
      {"defaultslate", "the same with the text as plain character data after the elements",
       "no attribute list declarations", defaultAttributesTextLast},
      {"attributes", "10,000 paragraphs of 1,000 attributes each, the text after them",
       "attributes per document", literalAttributes},
      {"crowded", "one start tag of 30 million attributes", "attributes per element", crowdedTag},
      {"names", "297,000 distinct attribute names", "distinct names", distinctNames},
      {"tabs", "5 underlined runs each spanning a text block of 1 MiB of tabs", "page bytes per input byte",
       tabRuns},
      {"spans", "a columnSpans list of 30 million entries", "list lengths", longColumnSpans},
      {"cdata", "one CDATA of 100 MiB of one letter", "page bytes per input byte", hugeTextBlock},
      {"word", "one word spread over 10,000 runs", "paper line breaking", wordOverRuns},
      {"narrow", "one word of 200,000 letters in 20,000 runs on lines one point wide", "paper line breaking",
       wordOnOnePointLines},
      {"bidi", "100,000 right-to-left overrides in one paragraph with Hebrew and digits",
       "bidirectional levels", bidiOverrides},
      {"nofont", "36,000 distinct characters that no font has", "glyph fallbacks", charactersNoFontHas},
      {"marks", "one letter with 300,000 combining marks", "glyph clusters", combiningMarks},
      {"headers", "a header and a footer of 20 lines on every page of 200,000 paragraphs",
       "header and footer layouts", headerOnEveryPage},
      {"png", "a real PNG of 20000 x 20000 pixels", "picture pixels", hugePNG},
      {"pnm", "a PNM header claiming 60000 x 60000 pixels", "picture formats", hugePNMHeader},
      {"pngheader", "a PNG header claiming 100000 x 100000 pixels", "picture pixels", hugePNGHeader},
      {"pictures", "4,096 distinct pictures of 400 x 400 pixels", "pictures freed once drawn",
       distinctPictures},
      {"svg", "an SVG picture with a filter", "picture formats", svgFilter},
      {"svglink", "an SVG picture naming a local file", "picture kinds in copies", svgNamingAFile},
      {"pagefields", "a header paragraph of 1,000 page lines", "numbered header text", pageLinesInAHeader},
      {"fontsize", "a footer run of font size 65536", "text size on paper", hugeFontSize},
      {"zeros", "standard input from /dev/zero", "input size", ordinaryDocument, Situation::zeros},
      {"sparse", "a sparse file of 3 GiB", "input size", ordinaryDocument, Situation::sparseFile},
      {"full", "every output to /dev/full", "output errors", ordinaryDocument, Situation::fullDevice},
      {"fifo", "every output to a FIFO", "outputs that are not regular files", ordinaryDocument,
       Situation::fifo},
      {"pipe", "every output to a pipe whose reader has gone", "output errors", ordinaryDocument,
       Situation::closedPipe},
      {"markers", "the text markers inside a comment before the real text", "text block from the XML parser",
       markersInAComment},
      {"stdin", "the document on standard input", "standard input", ordinaryDocument,
       Situation::standardInput},
      {"utf16", "content.xml in UTF-16 with a byte-order mark", "encodings",
       [] { return wideContent(false); }},
      {"utf32", "content.xml in UTF-32 with a byte-order mark", "encodings",
       [] { return wideContent(true); }},
      {"form", "a form's template row of 100 fields, 240,000 data rows, a 100 MB value, 900 levels",
       "form data, template copies", hostileFormData},
      {"literal", "one start tag of 30 million attributes behind a DOCTYPE literal holding \"<!--\"",
       "attributes per element, counted by the XML parser", crowdedBehindALiteral},
      {"refused", "a readable content.xml, then one cut short", "one rule for the entry read",
       refusedLaterEntry},
      {"laughs", "nine levels of ten entity references before the document", "no entity declarations",
       entityExpansion},
      {"latin5", "ISO-8859-9 bytes declared ISO-8859-9", "declared encodings", declaredLatin5},
      {"utf16bare", "content.xml in UTF-16 without a byte-order mark", "encodings", unmarkedUTF16},
  };
  return cases;
}

std::string commandLine(const WorstCase& worstCase, std::size_t command, const std::string& program,
                        const std::filesystem::path& document, const std::filesystem::path& folder) {
  const std::string name = kCommands[command];
  std::string line;
  std::string input = shellQuoted(document.string());
  std::string redirect;
  const std::string fifo = shellQuoted((folder / "fifo").string());
  // Where the output goes: "-" is standard output.
  std::string target = name == "tivenna"    ? shellQuoted((folder / "thumbnail.png").string())
                       : name == "udf2pdf"  ? shellQuoted((folder / "document.pdf").string())
                       : name == "udf2docx" ? shellQuoted((folder / "document.docx").string())
                                            : "-";
  switch (worstCase.situation) {
    case Situation::file:
      break;
    case Situation::standardInput:
      input = "-";
      redirect = " <" + shellQuoted(document.string());
      break;
    case Situation::zeros:
      input = "-";
      redirect = " </dev/zero";
      break;
    case Situation::sparseFile:
      input = shellQuoted((folder / "sparse.udf").string());
      line = "truncate -s 3G " + input + " && ";
      break;
    case Situation::fullDevice:
      target = "/dev/full";
      break;
    case Situation::fifo:
      target = fifo;
      line = "rm -f " + fifo + " && mkfifo " + fifo + " && { timeout 60 cat " + fifo +
             " >/dev/null 2>&1 & } && ";
      break;
    case Situation::closedPipe:
      target = "-";
      // Both ends are opened, then the reading one is closed: every write fails.
      line = "rm -f " + fifo + " && mkfifo " + fifo + " && exec 3<>" + fifo + " 4>" + fifo + " 3<&- && ";
      redirect = " >&4";
      break;
  }
  line += "exec " + shellQuoted(program);
  if (name == "tivenna") {
    line += " -s 256 " + input + " " + target;
  } else if (name == "udfdump" || name == "udfverify") {
    line += " " + input;
    if (target != "-") redirect += " >" + target;
  } else {
    // The conversions write beside FILE unless told otherwise.
    if (target != "-" || name == "udf2pdf" || name == "udf2docx") line += " -o " + target;
    line += " " + input;
  }
  return line + redirect;
}

}  // namespace maravel::testing
