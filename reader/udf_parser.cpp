#include "reader/udf_parser.hpp"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "platform/text/text.hpp"
#include "reader/content_decoding.hpp"
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
      for (DocumentElement& element : builder.paragraphs(child, bodyNumbering))
        doc.elements.push_back(std::move(element));
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
// the tree grows, and nothing below needs them. False when the XML parser
// refused the document (what it delivered before is kept).
bool readTree(std::span<char> content, UDFDocument& doc) {
  XMLParseResult tree = parseConsumedXMLTree(content);
  doc.rawText = takeTextBlock(tree.root);
  XMLNode* templateNode = childNamed(tree.root, "template");
  if (!tree.success) return false;
  if (!templateNode) return true;

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
  return true;
}

// A document the XML parser refused before it delivered any text (an entity
// declaration in a DOCTYPE before everything, say) is no document: an empty
// page would read as an empty decision. One refused after its text keeps
// that text.
bool isRefusedEmpty(bool wellFormed, const std::string& text) { return !wellFormed && text.empty(); }

// content.xml as UTF-8 text: where it lies when it is UTF-8 already, else
// decoded into `decoded`; nothing when ContentDecoding takes no text from it.
std::optional<std::span<char>> contentText(std::vector<std::uint8_t>& bytes,
                                           std::optional<std::string>& decoded) {
  const std::span<char> chars(reinterpret_cast<char*>(bytes.data()), bytes.size());
  if (ContentDecoding::readsAsItStands(bytes)) return chars;
  decoded = ContentDecoding::decode(bytes);
  if (!decoded) return std::nullopt;
  return std::span<char>(decoded->data(), decoded->size());
}

// Whether ContentDecoding accepts the bytes, without a copy in the common case.
bool isDecodable(std::span<const std::uint8_t> bytes) {
  return ContentDecoding::readsAsItStands(bytes) || ContentDecoding::decode(bytes).has_value();
}

// UDFParser::rawText for content.xml, whole or (with a summary of the whole)
// its beginning.
std::optional<std::string> textBlock(std::span<const std::uint8_t> bytes,
                                     const ContentDecoding::Summary* whole, std::size_t limit) {
  // As ContentDecoding decides, but UTF-8 is read where it lies, not copied.
  std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::optional<std::string> decoded;
  if (whole != nullptr || !ContentDecoding::readsAsItStands(bytes)) {
    decoded =
        whole != nullptr ? ContentDecoding::decodeBeginning(bytes, *whole) : ContentDecoding::decode(bytes);
    if (!decoded) return std::nullopt;
    content = *decoded;
  }
  if (whole == nullptr && content.size() <= UDFParser::kMaxFormContentForRawText &&
      content.find("<data") != std::string_view::npos) {
    // Perhaps a form, whose text is its filled elements: small enough to read whole.
    UDFDocument doc;
    std::string copy(content);
    if (isRefusedEmpty(readTree(copy, doc), doc.rawText)) return std::nullopt;
    std::string text = std::move(doc.rawText);
    if (text.size() > limit) {
      std::size_t cut = limit;
      while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
      text.resize(cut);
    }
    return text;
  }
  std::string text = documentChildText(content, kTextBlockElement, limit).value_or(std::string());
  // Only a whole document can be known to be refused.
  if (whole == nullptr && isRefusedEmpty(text.empty() ? isWellFormedTree(content) : true, text))
    return std::nullopt;
  return text;
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
  const bool wellFormed = readTree(*content, doc);
  decoded.reset();
  if (isRefusedEmpty(wellFormed, doc.rawText)) return std::nullopt;
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
    return textBlock(*bytes, nullptr, limit);
  }
  return rawText(FastZipExtractor::ArchiveReader::of(udfData), limit);
}

std::optional<std::string> UDFParser::rawText(const FastZipExtractor::ArchiveReader& udfFile,
                                              std::size_t limit) {
  const std::size_t wanted = std::max(kMaxFormContentForRawText + 1,
                                      limit > kMaxContentForRawText / 8 ? kMaxContentForRawText : 8 * limit);
  ContentDecoding::Summary whole;
  const auto beginning = FastZipExtractor::entryBeginning(
      udfFile, "content.xml", wanted,
      [&](std::uint64_t at, std::span<const std::uint8_t> bytes) { whole.add(at, bytes); });
  if (!beginning) return std::nullopt;
  whole.finish();
  return textBlock(beginning->bytes, beginning->whole ? nullptr : &whole, limit);
}

}  // namespace maravel
