#include "bench/document_generator.hpp"

#include <zlib.h>

#include <array>
#include <charconv>
#include <string_view>
#include <utility>

#include "tools/zip_writer.hpp"

namespace maravel::bench {

namespace {

constexpr std::string_view kRunStyle = "edf_1764921600123";
constexpr std::string_view kParagraphStyle = "edf_1764921600124";

// Deterministic numbers (a linear congruential generator): the same page
// count always gives the same document.
class Dice {
 public:
  explicit Dice(std::uint64_t seed) : state_(seed) {}
  std::size_t pick(std::size_t n) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::size_t>((state_ >> 33) % n);
  }
  template <typename T, std::size_t N>
  std::string_view from(const std::array<T, N>& list) {
    return list[pick(N)];
  }

 private:
  std::uint64_t state_;
};

constexpr std::array<std::string_view, 40> kWords = {"davacı",        "davalı",        "vekili",
                                                     "dilekçesinde",  "özetle",        "taraflar",
                                                     "arasındaki",    "kira",          "ilişkisinin",
                                                     "sona",          "erdiğini",      "kiralananın",
                                                     "tahliye",       "edilmediğini",  "ileri",
                                                     "sürmüş",        "mahkememizce",  "dosya",
                                                     "incelendi",     "gereği",        "düşünüldü",
                                                     "bilirkişi",     "raporu",        "ticari",
                                                     "defterler",     "birlikte",      "değerlendirildiğinde",
                                                     "alacağının",    "sabit",         "olduğu",
                                                     "anlaşılmıştır", "itirazın",      "iptaline",
                                                     "icra",          "inkar",         "tazminatı",
                                                     "faiz",          "işletilmesine", "yargılama",
                                                     "giderleri"};

constexpr std::array<std::string_view, 8> kNames = {
    "Deneme ÖRNEKOĞLU",    "Kurgu AVUKATOĞLU",         "Hayali Gıda Ticaret Limited Şirketi",
    "Örnek KATİPOĞLU",     "Kurgu HAKİMOĞLU",          "Deneme Sigorta Anonim Şirketi",
    "Av. Örnek VEKİLOĞLU", "Hayali İnşaat Kooperatifi"};

constexpr std::array<std::string_view, 6> kDates = {"12/02/2026", "03/12/2026", "01/03/2026",
                                                    "15/03/2026", "28/06/2025", "09/09/2025"};

constexpr std::array<std::string_view, 6> kAmounts = {"48.250,75 TL", "1.312,40 TL", "615,00 TL",
                                                      "3.295,90 TL",  "823,98 TL",   "2.471,92 TL"};

constexpr std::array<std::string_view, 6> kLabels = {"DAVACI", "VEKİLİ",      "DAVALI",
                                                     "DAVA",   "DAVA TARİHİ", "KARAR TARİHİ"};

// `count` words of the list, separated by spaces.
std::string randomWords(Dice& dice, std::size_t count) {
  std::string s;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) s += ' ';
    s += dice.from(kWords);
  }
  return s;
}

std::size_t utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

// `first` followed by `count` left stops every 1.25 cm from the `from`th on,
// written the way the editor's Java writes doubles ("35.43307086614173"):
// the long lists the editor stores on nearly every paragraph.
std::string tabSet(std::string_view first, std::size_t from, std::size_t count) {
  std::string tabs(first);
  for (std::size_t i = from; i < from + count; ++i) {
    if (!tabs.empty()) tabs += ',';
    char number[32];
    const double position = static_cast<double>(i) * (72.0 / 2.54 * 1.25);
    const auto written = std::to_chars(number, number + sizeof number, position);
    tabs.append(number, written.ptr);
    if (std::string_view(number, written.ptr).find('.') == std::string_view::npos) tabs += ".0";
    tabs += ":0:0";
  }
  return tabs;
}

// A small valid greyscale PNG: the court's seal at the top of the first page.
std::string sealPNG() {
  constexpr std::uint32_t kWidth = 96, kHeight = 48;
  std::vector<std::uint8_t> raw;
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    raw.push_back(0);  // no filter
    for (std::uint32_t x = 0; x < kWidth; ++x)
      raw.push_back(static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF));
  }
  std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(raw.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);

  std::string png = "\x89PNG\r\n\x1a\n";
  auto put32 = [](std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
  };
  auto chunk = [&](std::string_view type, std::string_view data) {
    put32(png, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type) + std::string(data);
    png += body;
    put32(png, static_cast<std::uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
  };
  std::string header;
  put32(header, kWidth);
  put32(header, kHeight);
  header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit greyscale
  chunk("IHDR", header);
  chunk("IDAT", std::string_view(reinterpret_cast<const char*>(packed.data()), packed.size()));
  chunk("IEND", {});
  return png;
}

std::string base64(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t v = static_cast<std::uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<std::uint8_t>(bytes[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
  }
  return out;
}

// Grows the text block and the element markup side by side: every run
// appends its text to the block and points at it by UTF-16 offset.
class ContentWriter {
 public:
  std::string text;
  std::string elements;

  void beginParagraph(std::string_view attributes) {
    elements += "<paragraph LineSpacing=\"0.0\" SpaceBelow=\"1.0\" RightIndent=\"0.0\" SpaceAbove=\"1.0\" ";
    elements += attributes;
    elements += " resolver=\"";
    elements += kParagraphStyle;
    elements += "\">";
  }

  // The paragraph's line feed belongs to its last run, as the editor writes it.
  void endParagraph() {
    if (pending_.empty()) content("");
    pending_.back().text += '\n';
    for (const Piece& piece : pending_) writeRun(piece);
    pending_.clear();
    elements += "</paragraph>";
  }

  void content(std::string_view s, std::string_view attributes = {}) {
    pending_.push_back({"content", std::string(s), std::string(attributes)});
  }
  void space() { pending_.push_back({"space", " ", {}}); }
  void field(std::string_view s, std::string_view name) {
    pending_.push_back({"field", std::string(s),
                        " isList=\"false\" fieldName=\"" + std::string(name) + "\" fieldType=\"1\""});
  }
  void image(std::string_view base64Data, double width, double height) {
    pending_.push_back({"image", " ",
                        " imageData=\"" + std::string(base64Data) + "\" width=\"" + std::to_string(width) +
                            "\" height=\"" + std::to_string(height) + "\""});
  }

 private:
  struct Piece {
    std::string element;
    std::string text;
    std::string attributes;
  };

  void writeRun(const Piece& piece) {
    const std::size_t start = units_;
    text += piece.text;
    units_ += utf16Length(piece.text);
    elements += "<" + piece.element + " resolver=\"" + std::string(kRunStyle) + "\"" + piece.attributes +
                " startOffset=\"" + std::to_string(start) + "\" length=\"" + std::to_string(units_ - start) +
                "\" />";
  }

  std::vector<Piece> pending_;
  std::size_t units_ = 0;
};

class DecisionWriter {
 public:
  explicit DecisionWriter(std::size_t pages)
      : pages_(pages),
        dice_(pages * 7919 + 17),
        bodyTabs_(tabSet("", 1, 180)),
        labelTabs_(tabSet("18.0:0:0,110.0:2:0,130.0:0:0", 4, 177)),
        listTabs_(tabSet("21.0:0:0", 1, 179)),
        amountTabs_(tabSet("150.0:4:0", 5, 179)) {}

  std::string contentXml() {
    header();
    firstPage();
    for (std::size_t page = 0; page < pages_; ++page) bodyPage(page);
    signatures();
    footer();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n<template format_id=\"1.8\" "
           ">\n<content><![CDATA[" +
           out_.text +
           "]]></content><properties><pageFormat mediaSizeName=\"1\" leftMargin=\"70.86614227294922\" "
           "rightMargin=\"56.69291305541992\" topMargin=\"42.51968479156494\" "
           "bottomMargin=\"42.51968479156494\" paperOrientation=\"1\" headerFOffset=\"20.0\" "
           "footerFOffset=\"20.0\" /></properties>\n<elements resolver=\"hvl-default\">\n" +
           out_.elements + "\n</elements>\n" + styles() +
           "\n<webID id=\"ABCDEFG  -  HIJKLMN  -  OPQ+RST  -  UVWXYZ=\" >\n\n</webID>\n\n</template>\n";
  }

 private:
  static std::string styles() {
    return "<styles><style name=\"default\" size=\"12\" bold=\"false\" italic=\"false\" "
           "description=\"Geçerli\" "
           "foreground=\"-16777216\" family=\"Dialog\" "
           "FONT_ATTRIBUTE_KEY=\"javax.swing.plaf.FontUIResource[family=Dialog,name=Dialog,style=plain,size="
           "12]\" "
           "/><style name=\"hvl-default\" size=\"12\" description=\"Gövde\" family=\"Times New Roman\" "
           "/><style "
           "name=\"" +
           std::string(kRunStyle) +
           "\" LineSpacing=\"0.0\" family=\"Times New Roman\" RightIndent=\"0.0\" resolver=\"hvl-default\" "
           "Alignment=\"0\" LeftIndent=\"0.0\" description=\"Gövde\" SpaceAbove=\"2.0\" size=\"12\" "
           "SpaceBelow=\"2.0\" /><style name=\"" +
           std::string(kParagraphStyle) + "\" resolver=\"" + std::string(kRunStyle) +
           "\" description=\"Paragraf\" /></styles>";
  }

  void header() {
    out_.elements += "<header startPage=\"2\" foreground=\"-14731164\">";
    out_.beginParagraph("Hanging=\"0.0\" LeftIndent=\"0.0\" Alignment=\"1\"");
    out_.content("T.C. KURGU 3. ASLİYE HUKUK MAHKEMESİ - ", " size=\"9\" italic=\"true\"");
    out_.field("2026/314 Esas", "esasNo");
    out_.endParagraph();
    out_.elements += "</header>";
  }

  void footer() {
    out_.elements += "<footer foreground=\"-16777216\">";
    out_.beginParagraph("Hanging=\"0.0\" LeftIndent=\"0.0\" TabSet=\"467.0:1:0\" Alignment=\"0\"");
    out_.content("Bu belge kurgusal bir örnektir.\tSayfa ", " size=\"9\"");
    out_.field("1 / " + std::to_string(pages_), "sayfa");
    out_.endParagraph();
    out_.elements += "</footer>";
  }

  void centred(std::string_view text, bool isField) {
    out_.beginParagraph("Hanging=\"0.0\" LeftIndent=\"0.0\" TabSet=\"69.0:2:0\" Alignment=\"1\"");
    if (isField) {
      out_.field(text, "mahkemeAdi");
    } else {
      out_.content(text, " bold=\"true\"");
    }
    out_.endParagraph();
  }

  void firstPage() {
    out_.beginParagraph("Hanging=\"0.0\" LeftIndent=\"0.0\" Alignment=\"1\"");
    out_.image(base64(sealPNG()), 72.0, 36.0);
    out_.endParagraph();
    centred("T.C.", false);
    centred("KURGU 3. ASLİYE HUKUK MAHKEMESİ", true);
    label("ESAS NO", "2026/314 Esas");
    label("KARAR NO", "2026/588");
  }

  void label(std::string_view name, std::string_view value) {
    out_.beginParagraph("Hanging=\"0.0\" LeftIndent=\"0.0\" TabSet=\"" + labelTabs_ + "\" Alignment=\"0\"");
    out_.content(name, " bold=\"true\"");
    out_.content("\t:\t");
    out_.field(value, "deger");
    out_.endParagraph();
  }

  void heading(std::string_view text) {
    out_.beginParagraph("Hanging=\"0.0\" LeftIndent=\"0.0\" TabSet=\"" + bodyTabs_ + "\" Alignment=\"3\"");
    out_.content(text, " bold=\"true\" underline=\"true\"");
    out_.endParagraph();
  }

  std::string words(std::size_t count) { return randomWords(dice_, count); }

  // A justified paragraph of about 70 words opened by a tab, with names,
  // dates and amounts as fields between single space runs.
  void body() {
    out_.beginParagraph("Hanging=\"0.0\" LeftIndent=\"0.0\" FirstLineIndent=\"0.0\" TabSet=\"" + bodyTabs_ +
                        "\" Alignment=\"3\"");
    out_.content("\t" + words(4));
    for (int i = 0; i < 9; ++i) {
      out_.space();
      switch (dice_.pick(3)) {
        case 0:
          out_.field(dice_.from(kNames), "tarafAdi");
          break;
        case 1:
          out_.field(dice_.from(kDates), "tarih");
          break;
        default:
          out_.field(dice_.from(kAmounts), "tutar");
      }
      out_.space();
      out_.content(words(2 + dice_.pick(6)));
    }
    out_.content(".");
    out_.endParagraph();
  }

  void numbered(int n) {
    out_.beginParagraph("Hanging=\"21.0\" LeftIndent=\"21.0\" TabSet=\"" + listTabs_ +
                        "\" Numbered=\"true\" ListLevel=\"1\" ListId=\"1\" "
                        "NumberType=\"NUMBER_TYPE_NUMBER_TRE\" Alignment=\"3\"");
    out_.content(words(3 + static_cast<std::size_t>(n)));
    out_.space();
    out_.field(dice_.from(kAmounts), "tutar");
    out_.space();
    out_.content(words(6) + ",");
    out_.endParagraph();
  }

  void empty() {
    out_.beginParagraph("Hanging=\"0.0\" LeftIndent=\"0.0\" Alignment=\"3\"");
    out_.endParagraph();
  }

  void cell(std::string_view text, bool amount) {
    out_.elements += "<cell border=\"borderCell\" borderColor=\"-16777216\">";
    out_.beginParagraph(amount ? "TabSet=\"" + amountTabs_ + "\" Alignment=\"0\"" : "Alignment=\"0\"");
    if (amount) {
      out_.content("\t");
      out_.field(text, "tutar");
    } else {
      out_.content(text);
    }
    out_.endParagraph();
    out_.elements += "</cell>";
  }

  void amountTable() {
    out_.elements +=
        "<table tableName=\"Kalemler\" columnCount=\"3\" columnSpans=\"200,160,110\" border=\"borderCell\" "
        "borderColor=\"-16777216\" borderWidth=\"0.5\">";
    for (int r = 0; r < 3; ++r) {
      out_.elements += "<row rowName=\"row" + std::to_string(r + 1) + "\" rowType=\"dataRow\">";
      cell(r == 0 ? "Asıl alacak" : r == 1 ? "İşlemiş faiz" : "İcra masrafı", false);
      cell(dice_.from(kAmounts), true);
      cell(dice_.from(kDates), false);
      out_.elements += "</row>";
    }
    out_.elements += "</table>";
  }

  // 20 blocks: a heading, four label lines, nine body paragraphs, a
  // heading and three list items, an empty line and the table.
  void bodyPage(std::size_t page) {
    heading(page == 0 ? "DAVA:" : "DELİLLER VE GEREKÇE:");
    for (int i = 0; i < 4; ++i) label(kLabels[(page + i) % kLabels.size()], dice_.from(kNames));
    for (int i = 0; i < 9; ++i) body();
    heading("HÜKÜM: Yukarıda açıklanan nedenlerle;");
    for (int i = 0; i < 3; ++i) numbered(i);
    empty();
    amountTable();
  }

  void signatures() {
    out_.elements +=
        "<table tableName=\"Sabit\" columnCount=\"2\" columnSpans=\"240,240\" border=\"borderNone\">"
        "<row rowName=\"row1\" rowType=\"dataRow\">";
    for (std::string_view who : {"Katip", "Hakim"}) {
      out_.elements += "<cell>";
      out_.beginParagraph("Alignment=\"1\"");
      out_.content(std::string(who) + " ");
      out_.field(who == "Katip" ? "000002" : "000001", "sicil");
      out_.endParagraph();
      out_.beginParagraph("Alignment=\"1\"");
      out_.content("e-imzalıdır");
      out_.endParagraph();
      out_.elements += "</cell>";
    }
    out_.elements += "</row></table>";
  }

  std::size_t pages_;
  Dice dice_;
  std::string bodyTabs_, labelTabs_, listTabs_, amountTabs_;
  ContentWriter out_;
};

// Much text for little markup: per page 30 justified paragraphs of about 90
// words in two runs, each opened by a tab to a short TabSet and every fifth
// numbered, and a 3 x 3 table whose amounts sit on decimal stops.
class DenseWriter {
 public:
  explicit DenseWriter(std::size_t pages) : pages_(pages), dice_(pages * 104729 + 3) {}

  std::string contentXml() {
    for (std::size_t page = 0; page < pages_; ++page) {
      for (int i = 0; i < 30; ++i) paragraph(i % 5 == 4);
      table();
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n<template format_id=\"1.8\" "
           ">\n<content><![CDATA[" +
           out_.text +
           "]]></content><properties><pageFormat mediaSizeName=\"1\" leftMargin=\"70.86614227294922\" "
           "rightMargin=\"56.69291305541992\" topMargin=\"42.51968479156494\" "
           "bottomMargin=\"42.51968479156494\" paperOrientation=\"1\" /></properties>\n"
           "<elements resolver=\"hvl-default\">\n" +
           out_.elements +
           "\n</elements>\n<styles><style name=\"hvl-default\" size=\"12\" family=\"Times New Roman\" "
           "/><style name=\"" +
           std::string(kParagraphStyle) + "\" resolver=\"hvl-default\" /><style name=\"" +
           std::string(kRunStyle) + "\" resolver=\"hvl-default\" /></styles>\n</template>\n";
  }

 private:
  std::string words(std::size_t count) { return randomWords(dice_, count); }

  void paragraph(bool numbered) {
    out_.beginParagraph(numbered
                            ? "Hanging=\"21.0\" LeftIndent=\"21.0\" TabSet=\"21.0:0:0,56.7:0:0\" "
                              "Numbered=\"true\" ListLevel=\"1\" ListId=\"1\" "
                              "NumberType=\"NUMBER_TYPE_NUMBER_TRE\" Alignment=\"3\""
                            : "Hanging=\"0.0\" LeftIndent=\"0.0\" TabSet=\"35.4:0:0,70.9:0:0,106.3:0:0\" "
                              "Alignment=\"3\"");
    out_.content("\t" + words(45 + dice_.pick(10)) + " ");
    out_.content(words(40 + dice_.pick(10)) + ".", " bold=\"false\"");
    out_.endParagraph();
  }

  void table() {
    out_.elements +=
        "<table tableName=\"Kalemler\" columnCount=\"3\" columnSpans=\"200,140,130\" "
        "border=\"borderCell\" borderColor=\"-16777216\" borderWidth=\"0.5\">";
    for (int r = 0; r < 3; ++r) {
      out_.elements += "<row rowName=\"row" + std::to_string(r + 1) + "\" rowType=\"dataRow\">";
      cell(words(3), false);
      for (int c = 0; c < 2; ++c) {
        cell(std::to_string(1000 + dice_.pick(90000)) + "." + std::to_string(10 + dice_.pick(90)), true);
      }
      out_.elements += "</row>";
    }
    out_.elements += "</table>";
  }

  void cell(const std::string& text, bool amount) {
    out_.elements += "<cell>";
    out_.beginParagraph(amount ? "TabSet=\"90.0:4:0\" Alignment=\"0\"" : "Alignment=\"0\"");
    out_.content(amount ? "\t" + text : text);
    out_.endParagraph();
    out_.elements += "</cell>";
  }

  std::size_t pages_;
  Dice dice_;
  ContentWriter out_;
};

constexpr std::string_view kDocumentProperties =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<!DOCTYPE properties SYSTEM \"http://java.sun.com/dtd/properties.dtd\">\n"
    "<properties>\n<entry key=\"uyapdogrulamakodu\">Zx9Q+aB1</entry>\n<entry "
    "key=\"uyapsicil\">000001</entry>\n"
    "</properties>\n";

// DER pieces the signature summary looks for, between filler bytes the size
// of the certificates around them.
std::string derString(std::string_view oid, std::string_view value) {
  return std::string(oid) + '\x0C' + static_cast<char>(value.size()) + std::string(value);
}

std::string signatureBytes() {
  std::string der = "\x30\x82\x0B\x2A\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02";
  Dice dice(99);
  auto filler = [&](std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) der += static_cast<char>(0x20 + dice.pick(0x5E));
  };
  filler(900);
  der += derString("\x55\x04\x03", "Kamu SM Nitelikli Elektronik Sertifika Hizmet Sağlayıcısı - Sürüm 1");
  filler(600);
  der += derString("\x55\x04\x05", "12345678901");
  der += derString("\x55\x04\x03", "Kurgu HAKİMOĞLU");
  filler(700);
  der += std::string("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x05\x31\x0F\x17\x0D", 13) + "260312103000Z";
  filler(400);
  return der;
}

// The frame of the hostile documents: text block, page format, `elements`
// with the given attributes, and the editor's three styles.
std::string shortHeader(const std::string& text, const std::string& elementAttributes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n<template format_id=\"1.8\" >\n<content><![CDATA[" +
         text +
         "]]></content><properties><pageFormat mediaSizeName=\"1\" leftMargin=\"70.86614227294922\" "
         "rightMargin=\"56.69291305541992\" topMargin=\"42.51968479156494\" "
         "bottomMargin=\"42.51968479156494\" "
         "paperOrientation=\"1\" /></properties>\n<elements resolver=\"hvl-default\"" +
         elementAttributes + ">\n";
}

const std::string kShortFooter =
    "</elements>\n<styles><style name=\"default\" family=\"Dialog\" size=\"12\" /><style "
    "name=\"hvl-default\" "
    "family=\"Times New Roman\" size=\"12\" /><style name=\"edf_1700000000001\" resolver=\"hvl-default\" "
    "/></styles>\n</template>\n";

}  // namespace

std::vector<std::uint8_t> EditorDocument::pack() const {
  return testing::makeUdf(contentXml, documentProperties, signature);
}

EditorDocument editorDocument(std::size_t pages) {
  return {DecisionWriter(pages).contentXml(), std::string(kDocumentProperties), signatureBytes()};
}

EditorDocument denseDocument(std::size_t pages) {
  return {DenseWriter(pages).contentXml(), std::string(kDocumentProperties), signatureBytes()};
}

std::string inheritedTabSetContent(std::size_t paragraphs, std::size_t tabSetBytes) {
  std::string tabs;
  for (std::size_t i = 1; tabs.size() < tabSetBytes; ++i) tabs += std::to_string(i) + ".5:1:0,";
  std::string xml = shortHeader("Kısa metin\tbir sekme.", " TabSet=\"" + tabs + "\"");
  for (std::size_t i = 0; i < paragraphs; ++i) {
    xml += "<paragraph><content startOffset=\"0\" length=\"21\" /></paragraph>";
  }
  return xml + kShortFooter;
}

std::string overlappingRunsContent(std::size_t runs, std::size_t textUnits) {
  std::string xml = shortHeader(std::string(textUnits, 'a'), "");
  xml += "<paragraph>";
  const std::string run = "<content startOffset=\"0\" length=\"" + std::to_string(textUnits) + "\" />";
  for (std::size_t i = 0; i < runs; ++i) xml += run;
  return xml + "</paragraph>" + kShortFooter;
}

std::vector<std::uint8_t> pack(const std::string& content) { return testing::makeUdf(content); }

}  // namespace maravel::bench
