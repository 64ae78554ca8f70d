#include "reader/udf_parser.hpp"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "platform/text/text.hpp"
#include "reader/element_builder.hpp"
#include "reader/form_data.hpp"
#include "reader/list_numbering.hpp"
#include "reader/signature_verifier.hpp"
#include "reader/style_sheet.hpp"
#include "reader/xml_tree.hpp"
#include "reader/zip_extractor.hpp"

namespace maravel {

namespace {

constexpr std::string_view kTextBlockElement = "content";
constexpr std::string_view kCodeOpen = "<entry key=\"uyapdogrulamakodu\">";
constexpr std::string_view kCodeClose = "</entry>";

const std::vector<std::uint8_t>* entry(const ZipEntries& entries, const std::string& name) {
  auto it = entries.find(name);
  return it == entries.end() ? nullptr : &it->second;
}

const std::string* attribute(const XMLNode& node, const std::string& key) {
  auto it = node.attributes.find(key);
  return it == node.attributes.end() ? nullptr : &it->second;
}

// --- Steps that need no tree -------------------------------------------------

// The encoding a UTF-16 or UTF-32 byte-order mark names, and the mark's
// length; nothing without one.
std::optional<std::pair<text::UnicodeForm, std::size_t>> byteOrderMark(std::span<const std::uint8_t> bytes) {
  const auto startsWith = [&](std::initializer_list<std::uint8_t> mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
  };
  if (startsWith({0x00, 0x00, 0xFE, 0xFF})) return std::pair(text::UnicodeForm::utf32BE, 4);
  if (startsWith({0xFF, 0xFE, 0x00, 0x00})) return std::pair(text::UnicodeForm::utf32LE, 4);
  if (startsWith({0xFE, 0xFF})) return std::pair(text::UnicodeForm::utf16BE, 2);
  if (startsWith({0xFF, 0xFE})) return std::pair(text::UnicodeForm::utf16LE, 2);
  return std::nullopt;
}

// content.xml as text: in the encoding its byte-order mark names (nothing
// when it is not valid there), else UTF-8, else Windows-1254.
std::optional<std::string> decodeContent(std::span<const std::uint8_t> bytes) {
  if (const auto mark = byteOrderMark(bytes))
    return text::decodeUnicode(bytes.subspan(mark->second), mark->first);
  if (auto utf8 = text::decodeUTF8(bytes)) return utf8;
  return text::decodeWindows1254(bytes);
}

void removeAll(std::string& s, std::string_view what) {
  for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at)) s.erase(at, what.size());
}

std::string verificationCode(const ZipEntries& entries) {
  const auto* bytes = entry(entries, "documentproperties.xml");
  if (!bytes) return {};
  auto properties = text::decodeUTF8(*bytes);
  if (!properties) return {};
  auto match = text::findBetweenOnOneLine(*properties, kCodeOpen, kCodeClose);
  if (!match) return {};
  std::string code(*match);
  removeAll(code, kCodeOpen);
  removeAll(code, kCodeClose);
  return std::string(text::trimWhitespaceAndNewlines(code));
}

// One paragraph per line feed, empty lines included, up to
// UDFParser::kMaxFallbackParagraphs. A carriage return is dropped with the
// line feed it precedes (and anywhere else), since runs never hold one.
std::vector<DocumentElement> plainTextParagraphs(std::string_view plain) {
  std::vector<DocumentElement> paragraphs;
  std::size_t start = 0;
  while (paragraphs.size() < UDFParser::kMaxFallbackParagraphs) {
    auto end = plain.find('\n', start);
    std::string line(
        plain.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    removeAll(line, "\r");
    TextRun run;
    run.text = std::move(line);
    ParagraphItem paragraph;
    paragraph.runs.push_back(std::move(run));
    paragraphs.emplace_back(std::move(paragraph));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return paragraphs;
}

// --- The tree pass -------------------------------------------------------------

StyleSheet styleSheet(const XMLNode& templateNode) {
  StyleSheet sheet;
  for (const auto& styles : templateNode.children) {
    if (styles.name != "styles") continue;
    for (const auto& style : styles.children) {
      if (style.name != "style") continue;
      if (const auto* name = attribute(style, "name")) sheet.styles[*name] = style.attributes;
    }
  }
  return sheet;
}

double numberOr(const XMLNode& node, const std::string& key, double fallback) {
  const auto* value = attribute(node, key);
  if (!value) return fallback;
  return text::parseNumber(*value).value_or(fallback);
}

std::int64_t integerOr(const XMLNode& node, const std::string& key, std::int64_t fallback) {
  const auto* value = attribute(node, key);
  if (!value) return fallback;
  return text::parseInteger(*value).value_or(fallback);
}

bool isTrue(const std::string* value) { return value != nullptr && *value == "true"; }

std::optional<double> offset(const XMLNode& node, const std::string& key) {
  const auto* value = attribute(node, key);
  if (!value) return std::nullopt;
  const std::optional<double> number = text::parseNumber(*value);
  if (!number || !(*number >= 0)) return std::nullopt;
  return number;
}

// The footer's page number attributes; nothing without a page number code
// whose part after the last underscore is an integer.
std::optional<PageNumberFormat> pageNumberFormat(const XMLNode& footer) {
  const auto* code = attribute(footer, "pagenumber-spec");
  if (!code) return std::nullopt;
  const auto underscore = code->rfind('_');
  if (underscore == std::string::npos) return std::nullopt;
  const std::optional<std::int64_t> bits = text::parseInteger(std::string_view(*code).substr(underscore + 1));
  if (!bits) return std::nullopt;
  PageNumberFormat format;
  format.bits = *bits;
  auto textOf = [&](const char* key, std::string& into) {
    if (const auto* value = attribute(footer, key)) into = *value;
  };
  textOf("pagenumber-seperator", format.separator);
  textOf("pagenumber-forestr", format.prefix);
  if (const auto* face = attribute(footer, "pagenumber-fontface"); face && !face->empty())
    format.fontFamily = *face;
  const double size = numberOr(footer, "pagenumber-fontsize", format.fontSize);
  if (size > 0) format.fontSize = size;
  format.bold = isTrue(attribute(footer, "pagenumber-fontbold"));
  format.italic = isTrue(attribute(footer, "pagenumber-fontitalic"));
  format.color = ElementBuilder::rgb(attribute(footer, "pagenumber-color"));
  format.firstNumber = integerOr(footer, "pagenumber-pagestartnumstr", 1);
  return format;
}

PageProperties pageProperties(const XMLNode& templateNode) {
  PageProperties page;
  const XMLNode* properties = templateNode.child("properties");
  if (!properties) return page;
  for (const auto& format : properties->children) {
    if (format.name != "pageformat" && format.name != "pageFormat") continue;
    page.leftMargin = numberOr(format, "leftmargin", page.leftMargin);
    page.rightMargin = numberOr(format, "rightmargin", page.rightMargin);
    page.topMargin = numberOr(format, "topmargin", page.topMargin);
    page.bottomMargin = numberOr(format, "bottommargin", page.bottomMargin);
    page.orientation = integerOr(format, "paperorientation", page.orientation);
    page.mediaSize = integerOr(format, "mediasizename", page.mediaSize);
    page.headerOffset = offset(format, "headerfoffset");
    page.footerOffset = offset(format, "footerfoffset");
    break;
  }
  return page;
}

std::string webIdentifier(const XMLNode& templateNode) {
  const XMLNode* web = templateNode.child("webID");
  if (!web) return {};
  const auto* id = attribute(*web, "id");
  return id ? std::string(text::trimWhitespaceAndNewlines(*id)) : std::string();
}

XMLNode* childNamed(XMLNode& node, std::string_view name) {
  for (XMLNode& child : node.children) {
    if (child.name == name) return &child;
  }
  return nullptr;
}

// Empties a node (its subtree freed) when it goes out of scope.
class ReleasedAfterUse {
 public:
  explicit ReleasedAfterUse(XMLNode& node) : node_(node) {}
  ~ReleasedAfterUse() { node_ = XMLNode(); }
  ReleasedAfterUse(const ReleasedAfterUse&) = delete;
  ReleasedAfterUse& operator=(const ReleasedAfterUse&) = delete;

 private:
  XMLNode& node_;
};

// Each element of the tree is taken apart once it is read, so that the tree
// shrinks while the model grows.
void readContentElements(XMLNode& elementsNode, StyleSheet styles, const FormData* form, UDFDocument& doc) {
  // The builder holds the text block while it works and hands it back: a
  // large block is then never held twice.
  ElementBuilder builder(std::move(styles), std::move(doc.rawText), elementsNode.attributes);
  if (form != nullptr) builder.fillFrom(*form);
  ListNumbering bodyNumbering;
  for (XMLNode& child : elementsNode.children) {
    const ReleasedAfterUse released(child);
    if (child.name == "paragraph") {
      doc.elements.emplace_back(builder.paragraph(child, bodyNumbering));
    } else if (child.name == "table") {
      doc.elements.emplace_back(builder.table(child, bodyNumbering));
    } else if (child.name == "header") {
      ListNumbering headerNumbering;
      for (auto& element : builder.elements(child, headerNumbering))
        doc.headerElements.push_back(std::move(element));
      doc.headerStartPage = integerOr(child, "startpage", 1);
      doc.headerColor = ElementBuilder::rgb(attribute(child, "foreground"));
    } else if (child.name == "footer") {
      ListNumbering footerNumbering;
      for (auto& element : builder.elements(child, footerNumbering))
        doc.footerElements.push_back(std::move(element));
      doc.footerColor = ElementBuilder::rgb(attribute(child, "foreground"));
      doc.pageNumber = pageNumberFormat(child);
    }
  }
  doc.rawText = std::move(builder).takeText();
}

// The text block: the text of the first `content` element directly inside
// the document element, as the XML parser delivers it (the text an XML
// reader such as the editor shows); empty without one.
std::string takeTextBlock(XMLNode& root) {
  if (root.children.empty()) return {};
  for (XMLNode& child : root.children.front().children) {
    if (child.name == kTextBlockElement) return std::move(child.text);
  }
  return {};
}

void appendLines(const std::vector<DocumentElement>& elements, std::string& out) {
  for (const DocumentElement& element : elements) {
    if (const ParagraphItem* paragraph = element.paragraph()) {
      for (const TextRun& run : paragraph->runs) out += run.text;
      out += '\n';
    } else if (const TableItem* table = element.table()) {
      for (const TableRow& row : table->rows) {
        for (const TableCell& cell : row.cells) appendLines(cell.elements, out);
      }
    }
  }
}

// A filled form's text: header, body and footer, tables cell by cell, each
// paragraph a line ending in a line feed, as the text block holds the
// placeholders.
std::string filledText(const UDFDocument& doc) {
  std::string out;
  appendLines(doc.headerElements, out);
  appendLines(doc.elements, out);
  appendLines(doc.footerElements, out);
  return out;
}

// `content` is valid UTF-8, given up to the parse: its bytes are used up as
// the tree grows, and nothing below needs them.
void readTree(std::span<char> content, UDFDocument& doc) {
  XMLParseResult tree = parseConsumedXMLTree(content);
  doc.rawText = takeTextBlock(tree.root);
  XMLNode* templateNode = childNamed(tree.root, "template");
  if (!tree.success || !templateNode) return;

  StyleSheet styles = styleSheet(*templateNode);
  doc.pageProps = pageProperties(*templateNode);
  doc.webID = webIdentifier(*templateNode);
  std::optional<FormData> form;
  if (const XMLNode* data = templateNode->child("data")) form.emplace(*data);
  if (XMLNode* elementsNode = childNamed(*templateNode, "elements")) {
    readContentElements(*elementsNode, std::move(styles), form ? &*form : nullptr, doc);
  }
  // A form's text is what it shows, not its variable names; one that shows
  // nothing keeps them for the plain-text body.
  if (form && !doc.elements.empty()) doc.rawText = filledText(doc);
}

// content.xml as UTF-8 text: where it lies when it is UTF-8 already, else
// decoded into `decoded`; nothing when decodeContent takes no text from it.
std::optional<std::span<char>> contentText(std::vector<std::uint8_t>& bytes,
                                           std::optional<std::string>& decoded) {
  const std::span<char> chars(reinterpret_cast<char*>(bytes.data()), bytes.size());
  if (!byteOrderMark(bytes) && text::isValidUTF8(std::string_view(chars.data(), chars.size()))) return chars;
  decoded = decodeContent(bytes);
  if (!decoded) return std::nullopt;
  return std::span<char>(decoded->data(), decoded->size());
}

// Whether decodeContent accepts the bytes, without a copy in the common case.
bool isDecodable(std::span<const std::uint8_t> bytes) {
  const std::string_view chars(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return (!byteOrderMark(bytes) && text::isValidUTF8(chars)) || decodeContent(bytes).has_value();
}

// The beginning of a longer content.xml without the character it cuts: whole
// UTF-16 or UTF-32 units after a byte-order mark (and no leading surrogate
// last), else no UTF-8 sequence left incomplete at the end.
std::span<const std::uint8_t> wholeCharacters(std::span<const std::uint8_t> bytes) {
  if (const auto mark = byteOrderMark(bytes)) {
    const bool wide = mark->first == text::UnicodeForm::utf32LE || mark->first == text::UnicodeForm::utf32BE;
    const std::size_t width = wide ? 4 : 2;
    std::size_t size = bytes.size() - (bytes.size() - mark->second) % width;
    if (!wide && size >= mark->second + 2) {
      const bool big = mark->first == text::UnicodeForm::utf16BE;
      const std::uint8_t high = bytes[size - (big ? 2 : 1)];
      if (high >= 0xD8 && high <= 0xDB) size -= 2;
    }
    return bytes.first(size);
  }
  std::size_t lead = bytes.size();
  while (lead > 0 && bytes.size() - lead < 4 && (bytes[lead - 1] & 0xC0) == 0x80) --lead;
  if (lead == 0) return bytes;
  const std::uint8_t first = bytes[lead - 1];
  const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
  return bytes.size() - (lead - 1) < length ? bytes.first(lead - 1) : bytes;
}

// UDFParser::rawText for content.xml or (not `whole`) its beginning.
std::optional<std::string> textBlock(std::span<const std::uint8_t> bytes, bool whole, std::size_t limit) {
  if (!whole) bytes = wholeCharacters(bytes);
  // As decodeContent decides, but UTF-8 is read where it lies, not copied.
  std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::optional<std::string> decoded;
  if (byteOrderMark(bytes) || !text::isValidUTF8(content)) {
    decoded = decodeContent(bytes);
    if (!decoded) return std::nullopt;
    content = *decoded;
  }
  if (whole && content.size() <= UDFParser::kMaxFormContentForRawText &&
      content.find("<data") != std::string_view::npos) {
    // Perhaps a form, whose text is its filled elements: small enough to read whole.
    UDFDocument doc;
    std::string copy(content);
    readTree(copy, doc);
    std::string text = std::move(doc.rawText);
    if (text.size() > limit) {
      std::size_t cut = limit;
      while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
      text.resize(cut);
    }
    return text;
  }
  return documentChildText(content, kTextBlockElement, limit).value_or(std::string());
}

}  // namespace

namespace {

// The signature check parse makes, or none: a pointer, so that the parse
// that skips it does not refer to it, and a program that only ever skips it
// is linked without it and without the cryptography library.
using SignatureCheck = SignatureInfo (*)(const std::vector<std::uint8_t>& signature,
                                         std::span<const std::uint8_t> content);

SignatureInfo checkSignature(const std::vector<std::uint8_t>& signature,
                             std::span<const std::uint8_t> content) {
  return SignatureVerifier::verify(signature, content);
}

std::optional<UDFDocument> parseWith(std::span<const std::uint8_t> udfData, SignatureCheck check) {
  ZipEntries entries = FastZipExtractor::extractEntries(udfData);
  const auto contentEntry = entries.find("content.xml");
  if (contentEntry == entries.end()) return std::nullopt;
  std::vector<std::uint8_t>& contentBytes = contentEntry->second;
  std::optional<std::string> decoded;
  const std::optional<std::span<char>> content = contentText(contentBytes, decoded);
  if (!content) return std::nullopt;

  UDFDocument doc;
  doc.verificationCode = verificationCode(entries);
  if (const auto* signatureBytes = entry(entries, "sign.sgn"); signatureBytes && check != nullptr)
    doc.signature = check(*signatureBytes, contentBytes);
  // Its text is all that is needed of content.xml from then on, and the
  // parse uses that up.
  if (decoded) std::vector<std::uint8_t>().swap(contentBytes);
  readTree(*content, doc);
  decoded.reset();
  entries.erase(contentEntry);
  if (doc.elements.empty() && !doc.rawText.empty()) doc.elements = plainTextParagraphs(doc.rawText);
  return doc;
}

}  // namespace

std::optional<UDFDocument> UDFParser::parseChecked(std::span<const std::uint8_t> udfData) {
  return parseWith(udfData, checkSignature);
}

std::optional<UDFDocument> UDFParser::parseUnchecked(std::span<const std::uint8_t> udfData) {
  return parseWith(udfData, nullptr);
}

std::optional<SignatureInfo> UDFParser::signature(std::span<const std::uint8_t> udfData) {
  return signature(udfData, crypto::TrustPlaces::standard(), nullptr);
}

std::optional<SignatureInfo> UDFParser::signature(std::span<const std::uint8_t> udfData,
                                                  const crypto::TrustPlaces& places,
                                                  const crypto::OnlineAccess* online) {
  const ZipEntries entries = FastZipExtractor::extractEntries(udfData, {"content.xml", "sign.sgn"});
  const auto* content = entry(entries, "content.xml");
  if (!content || !isDecodable(*content)) return std::nullopt;
  const auto* signatureBytes = entry(entries, "sign.sgn");
  return signatureBytes ? SignatureVerifier::verify(*signatureBytes, *content, places, online)
                        : SignatureInfo{};
}

std::optional<std::string> UDFParser::rawText(std::span<const std::uint8_t> udfData, std::size_t limit) {
  if (limit == std::numeric_limits<std::size_t>::max()) {
    const ZipEntries entries = FastZipExtractor::extractEntries(udfData);
    const auto* bytes = entries.empty() ? nullptr : entry(entries, "content.xml");
    if (!bytes) return std::nullopt;
    return textBlock(*bytes, true, limit);
  }
  return rawText(FastZipExtractor::ArchiveReader::of(udfData), limit);
}

std::optional<std::string> UDFParser::rawText(const FastZipExtractor::ArchiveReader& udfFile,
                                              std::size_t limit) {
  const std::size_t wanted = std::max(kMaxFormContentForRawText + 1,
                                      limit > kMaxContentForRawText / 8 ? kMaxContentForRawText : 8 * limit);
  const auto beginning = FastZipExtractor::entryBeginning(udfFile, "content.xml", wanted);
  if (!beginning) return std::nullopt;
  return textBlock(beginning->bytes, beginning->whole, limit);
}

}  // namespace maravel
