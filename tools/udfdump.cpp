// udfdump FILE: prints the document that the reader makes of a .udf file (or
// of standard input for "-") as one JSON object whose keys are the model's
// field names. A tab stop list
// shared by several paragraphs is written once; later paragraphs refer to it
// with {"$ref": "#/elements/0/paragraph/tabStops"} (a JSON pointer). A run
// of a form that was filled from the form's data carries "fieldName", the
// variable its text is the value of, right after "text".
//
// Exit status: 0 with a document, 1 when the reader yields no document,
// 2 for a usage error, a file that cannot be read or output that cannot be
// written.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "model/udf_document.hpp"
#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/commandline/licence_notice.hpp"
#include "platform/process/document_heap.hpp"
#include "platform/text/byte_words.hpp"
#include "platform/text/text.hpp"
#include "reader/udf_parser.hpp"
#include "tools/signature_json.hpp"

namespace {

using namespace maravel;
using tools::Json;

constexpr std::string_view kUsage =
    "usage: udfdump FILE\n"
    "Prints the document read from the .udf file FILE (- for standard input) as JSON.\n"
    "Exit status: 0 document printed, 1 no document in the file, 2 usage, read or write error.\n";

const char* alignmentName(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::center:
      return "center";
    case TextAlignment::right:
      return "right";
    case TextAlignment::justify:
      return "justify";
    case TextAlignment::left:
      break;
  }
  return "left";
}

// Writes JSON as it goes, in the layout of nlohmann's dump with an indent
// of 2, so that the output never has to be held in memory as a whole: it is
// gathered in pieces of 64 KB, since a stream's put costs more than the byte.
// Fractional numbers are formatted by nlohmann, each distinct one once (a
// document repeats a handful of sizes and indents), whole ones in decimal as
// nlohmann writes them; invalid UTF-8 in strings becomes U+FFFD.
class JsonStream {
 public:
  explicit JsonStream(std::ostream& out) : out_(out), buffer_(new char[kPiece]) {}
  ~JsonStream() { flush(); }
  JsonStream(const JsonStream&) = delete;
  JsonStream& operator=(const JsonStream&) = delete;

  // Starts the next value of the open array (or the top-level value).
  JsonStream& item() {
    if (!open_.empty()) {
      if (open_.back()++ > 0) put(',');
      newline();
    }
    return *this;
  }
  // Starts the value of `name` in the open object.
  // Names are the model's own, plain ASCII that needs no escape.
  JsonStream& key(std::string_view name) {
    item();
    put('"');
    append(name);
    append("\": ");
    return *this;
  }

  void beginObject() { begin('{'); }
  void endObject() { end('}'); }
  void beginArray() { begin('['); }
  void endArray() { end(']'); }
  template <typename T>
  void scalar(const T& value) {
    if constexpr (std::is_convertible_v<const T&, std::string_view>) {
      string(value);
    } else if constexpr (std::is_same_v<T, double>) {
      number(value);
    } else if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
      char digits[24];
      append(std::string_view(digits, std::to_chars(digits, digits + sizeof digits, value).ptr));
    } else {
      append(Json(value).dump(-1, ' ', false, Json::error_handler_t::replace));
    }
  }
  void flag(bool value) { append(value ? "true" : "false"); }
  void null() { append("null"); }
  // A long string written as nlohmann writes it, but in one pass and
  // without copies: texts and pictures may run to many megabytes.
  void string(std::string_view value) {
    if (!text::isValidUTF8(value)) {  // replaced as nlohmann replaces
      return append(Json(value).dump(-1, ' ', false, Json::error_handler_t::replace));
    }
    put('"');
    std::size_t written = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
      // Eight bytes that need no escape pass in one step.
      if (value.size() - i >= 8) {
        const std::uint64_t word = text::wordAt(value.data() + i);
        if (!text::anyByteBelow(word, 0x20) && !text::anyByteIs(word, '"') && !text::anyByteIs(word, '\\')) {
          i += 7;
          continue;
        }
      }
      const auto c = static_cast<unsigned char>(value[i]);
      if (c >= 0x20 && c != '"' && c != '\\') continue;
      append(value.substr(written, i - written));
      written = i + 1;
      append(escaped(c));
    }
    append(value.substr(written));
    put('"');
  }
  // A small value built whole, indented to where it stands.
  void value(const Json& value) {
    std::string indent(1 + 2 * open_.size(), ' ');
    indent[0] = '\n';
    std::string indented;
    for (const char c : value.dump(2, ' ', false, Json::error_handler_t::replace)) {
      c == '\n' ? indented += indent : indented += c;
    }
    append(indented);
  }

  template <typename T>
  void optional(const std::optional<T>& value) {
    value ? scalar(*value) : null();
  }

  void flush() {
    out_.write(buffer_.get(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

 private:
  static constexpr std::size_t kPiece = 64 * 1024;

  void append(std::string_view bytes) {
    if (bytes.size() > kPiece - used_) {
      flush();
      if (bytes.size() >= kPiece) {  // a long text goes straight through
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return;
      }
    }
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }
  void put(char c) {
    if (used_ == kPiece) flush();
    buffer_[used_++] = c;
  }
  void number(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    auto [at, added] = numbers_.try_emplace(bits);
    if (added) at->second = Json(value).dump();
    append(at->second);
  }
  void begin(char bracket) {
    put(bracket);
    open_.push_back(0);
  }
  void end(char bracket) {
    const std::size_t members = open_.back();
    open_.pop_back();
    if (members > 0) newline();
    put(bracket);
  }
  void newline() {
    constexpr std::string_view kSpaces = "                                ";
    put('\n');
    for (std::size_t left = 2 * open_.size(); left > 0;) {
      const std::size_t some = std::min(left, kSpaces.size());
      append(kSpaces.substr(0, some));
      left -= some;
    }
  }

  static std::string escaped(unsigned char c) {
    switch (c) {
      case '"':
        return "\\\"";
      case '\\':
        return "\\\\";
      case '\b':
        return "\\b";
      case '\f':
        return "\\f";
      case '\n':
        return "\\n";
      case '\r':
        return "\\r";
      case '\t':
        return "\\t";
      default: {
        char code[8];
        std::snprintf(code, sizeof code, "\\u%04x", c);
        return code;
      }
    }
  }

  std::ostream& out_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  std::vector<std::size_t> open_;                           // members written so far, per open container
  std::unordered_map<std::uint64_t, std::string> numbers_;  // by the double's bits
};

// The document as JSON. A tab stop list that paragraphs share (one tab
// setting inherited from a style) is written in full where it first appears
// and as {"$ref": "#/json/pointer/to/it"} everywhere after, so the output
// stays proportional to the document's own size.
class DocumentDump {
 public:
  explicit DocumentDump(std::ostream& out) : json_(out) {}

  void document(const UDFDocument& doc) {
    json_.item().beginObject();
    json_.key("elements");
    elements(doc.elements, "/elements");
    json_.key("headerElements");
    elements(doc.headerElements, "/headerElements");
    json_.key("footerElements");
    elements(doc.footerElements, "/footerElements");
    json_.key("headerStartPage").scalar(doc.headerStartPage);
    json_.key("headerColor").optional(doc.headerColor);
    json_.key("footerColor").optional(doc.footerColor);
    json_.key("pageProps");
    page(doc.pageProps);
    json_.key("verificationCode").scalar(doc.verificationCode);
    json_.key("webID").scalar(doc.webID);
    json_.key("signature");
    signature(doc.signature);
    json_.key("rawText").string(doc.rawText);
    json_.endObject();
  }

 private:
  void elements(const std::vector<DocumentElement>& list, const std::string& path) {
    json_.beginArray();
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::string at = path + "/" + std::to_string(i);
      json_.item().beginObject();
      if (const auto* p = list[i].paragraph()) {
        json_.key("paragraph");
        paragraph(*p, at + "/paragraph");
      } else if (const auto* t = list[i].table()) {
        json_.key("table");
        table(*t, at + "/table");
      }
      json_.endObject();
    }
    json_.endArray();
  }

  void paragraph(const ParagraphItem& p, const std::string& path) {
    json_.beginObject();
    json_.key("runs").beginArray();
    for (const auto& r : p.runs) run(r);
    json_.endArray();
    json_.key("alignment").scalar(alignmentName(p.alignment));
    json_.key("leftIndent").scalar(p.leftIndent);
    json_.key("rightIndent").scalar(p.rightIndent);
    json_.key("firstLineIndent").scalar(p.firstLineIndent);
    json_.key("hanging").scalar(p.hanging);
    json_.key("spaceAbove").scalar(p.spaceAbove);
    json_.key("spaceBelow").scalar(p.spaceBelow);
    json_.key("lineSpacing").scalar(p.lineSpacing);
    json_.key("tabStops");
    tabStops(p.tabStops, path + "/tabStops");
    json_.key("listMarker").optional(p.listMarker);
    json_.endObject();
  }

  void run(const TextRun& r) {
    json_.item().beginObject();
    json_.key("text").string(r.text);
    if (r.fieldName) json_.key("fieldName").string(*r.fieldName);
    json_.key("bold").flag(r.bold);
    json_.key("italic").flag(r.italic);
    json_.key("underline").flag(r.underline);
    json_.key("strikethrough").flag(r.strikethrough);
    json_.key("isSubscript").flag(r.isSubscript);
    json_.key("isSuperscript").flag(r.isSuperscript);
    json_.key("fontSize").scalar(r.fontSize);
    json_.key("fontFamily").scalar(r.fontFamily);
    json_.key("foreground").optional(r.foreground);
    json_.key("background").optional(r.background);
    json_.key("image");
    if (r.image) {
      json_.beginObject();
      json_.key("base64").string(r.image->base64);
      json_.key("mimeType").scalar(r.image->mimeType);
      json_.key("width").scalar(r.image->width);
      json_.key("height").scalar(r.image->height);
      json_.endObject();
    } else {
      json_.null();
    }
    json_.endObject();
  }

  void tabStops(const std::optional<TabStopList>& stops, const std::string& path) {
    if (!stops) return json_.null();
    if (!stops->empty()) {
      const auto [first, added] = firstPaths_.try_emplace(stops->identity(), path);
      if (!added) {
        json_.beginObject();
        json_.key("$ref").scalar("#" + first->second);
        return json_.endObject();
      }
    }
    json_.beginArray();
    for (const auto& stop : *stops) {
      json_.item().beginObject();
      json_.key("position").scalar(stop.position);
      json_.key("alignment").scalar(stop.alignment);
      json_.endObject();
    }
    json_.endArray();
  }

  void spans(const std::optional<std::vector<double>>& values) {
    if (!values) return json_.null();
    json_.beginArray();
    for (const double value : *values) json_.item().scalar(value);
    json_.endArray();
  }

  void border(const std::optional<TableBorder>& b) {
    if (!b) return json_.null();
    json_.beginObject();
    json_.key("kind").scalar(b->kind);
    json_.key("color").optional(b->color);
    json_.key("width").scalar(b->width);
    json_.endObject();
  }

  void table(const TableItem& t, const std::string& path) {
    json_.beginObject();
    json_.key("rows").beginArray();
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
      const TableRow& row = t.rows[r];
      const std::string cellsPath = path + "/rows/" + std::to_string(r) + "/cells/";
      json_.item().beginObject();
      json_.key("cells").beginArray();
      for (std::size_t c = 0; c < row.cells.size(); ++c) {
        json_.item().beginObject();
        json_.key("elements");
        elements(row.cells[c].elements, cellsPath + std::to_string(c) + "/elements");
        json_.key("border");
        border(row.cells[c].border);
        json_.endObject();
      }
      json_.endArray();
      json_.key("columnSpans");
      spans(row.columnSpans);
      json_.key("height").scalar(row.height);
      json_.key("border");
      border(row.border);
      json_.endObject();
    }
    json_.endArray();
    json_.key("columnSpans");
    spans(t.columnSpans);
    json_.key("border");
    border(t.border);
    json_.endObject();
  }

  void page(const PageProperties& p) {
    json_.beginObject();
    json_.key("leftMargin").scalar(p.leftMargin);
    json_.key("rightMargin").scalar(p.rightMargin);
    json_.key("topMargin").scalar(p.topMargin);
    json_.key("bottomMargin").scalar(p.bottomMargin);
    json_.key("orientation").scalar(p.orientation);
    json_.key("mediaSize").scalar(p.mediaSize);
    json_.key("pageWidth").scalar(p.pageWidth());
    json_.key("pageHeight").scalar(p.pageHeight());
    json_.endObject();
  }

  void signature(const SignatureInfo& s) { json_.value(tools::signatureJson(s)); }

  JsonStream json_;
  // Where each shared list was first written, as a JSON pointer.
  std::unordered_map<const void*, std::string> firstPaths_;
};

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  commandline::prepareOutputs();
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::cout << "udfdump " << MARAVEL_VERSION << "\n" << commandline::kLicenceNotice;
    return 0;
  }
  const std::string_view argument = argc == 2 ? argv[1] : "";
  if (argc != 2 || (argument.starts_with("-") && argument != "-")) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string path = argv[1];
  const commandline::Input input = commandline::readInput(path);
  if (!input.bytes) {
    std::cerr << "udfdump: " << input.error << "\n";
    return 2;
  }
  process::reserveDocumentHeap(input.bytes->size());
  auto doc = UDFParser::parse(*input.bytes);
  if (!doc) {
    std::cerr << "udfdump: " << path << " holds no readable document\n";
    return 1;
  }
  commandline::Output output("-");
  output.open();
  {
    commandline::OutputStream stream(output);
    DocumentDump(stream).document(*doc);
    stream << "\n";
  }
  if (!output.commit()) {
    std::cerr << "udfdump: " << output.error() << "\n";
    return 2;
  }
  return 0;
}
