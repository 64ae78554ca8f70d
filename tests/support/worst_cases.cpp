#include "tests/support/worst_cases.hpp"

#include <zlib.h>

#include <stdexcept>
#include <string_view>

#include "tests/support/zip_writer.hpp"

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

// Raw deflate of `size` zero bytes, compressed in pieces so that the zeros
// never sit in memory at once.
std::vector<std::uint8_t> deflatedZeros(std::size_t size) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
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
      {"form", "a form's template row of 100 fields, 240,000 data rows, a 100 MB value, 900 levels",
       "form data, template copies", hostileFormData},
  };
  return cases;
}

}  // namespace maravel::testing
