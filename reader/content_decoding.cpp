#include "reader/content_decoding.hpp"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "platform/text/text.hpp"

namespace maravel {

namespace {

using Bytes = ContentDecoding::Bytes;

bool startsWith(Bytes bytes, std::initializer_list<std::uint8_t> prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::string_view asChars(Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

char lowerASCII(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lowerASCII(x) == lowerASCII(y); });
}

// The encodings known here by the names (IANA's, and their common aliases)
// that a declaration may give.
ContentEncoding named(std::string_view name) {
  struct Name {
    std::string_view name;
    ContentEncoding encoding;
  };
  static constexpr std::array<Name, 14> kNames = {{
      {"utf-8", ContentEncoding::utf8},
      {"utf8", ContentEncoding::utf8},
      {"us-ascii", ContentEncoding::utf8},  // a subset: what is valid there reads alike
      {"ascii", ContentEncoding::utf8},
      {"iso-8859-9", ContentEncoding::iso88599},
      {"iso_8859-9", ContentEncoding::iso88599},
      {"iso8859-9", ContentEncoding::iso88599},
      {"latin5", ContentEncoding::iso88599},
      {"windows-1254", ContentEncoding::windows1254},
      {"cp1254", ContentEncoding::windows1254},
      {"iso-8859-1", ContentEncoding::latin1},
      {"iso_8859-1", ContentEncoding::latin1},
      {"iso8859-1", ContentEncoding::latin1},
      {"latin1", ContentEncoding::latin1},
  }};
  for (const Name& known : kNames) {
    if (sameName(name, known.name)) return known.encoding;
  }
  return ContentEncoding::undeclared;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The `encoding` of an XML declaration written in ASCII bytes at the start.
ContentEncoding declared(std::string_view head) {
  if (!head.starts_with("<?xml") || head.size() < 6 || !isSpace(head[5])) return ContentEncoding::undeclared;
  head = head.substr(0, head.find("?>"));
  std::size_t at = head.find("encoding");
  if (at == std::string_view::npos || !isSpace(head[at - 1])) return ContentEncoding::undeclared;
  at += 8;
  while (at < head.size() && isSpace(head[at])) ++at;
  if (at >= head.size() || head[at] != '=') return ContentEncoding::undeclared;
  ++at;
  while (at < head.size() && isSpace(head[at])) ++at;
  if (at >= head.size() || (head[at] != '"' && head[at] != '\'')) return ContentEncoding::undeclared;
  const std::size_t end = head.find(head[at], at + 1);
  if (end == std::string_view::npos) return ContentEncoding::undeclared;
  return named(head.substr(at + 1, end - at - 1));
}

std::optional<text::UnicodeForm> unicodeForm(ContentEncoding encoding) {
  switch (encoding) {
    case ContentEncoding::utf16LE:
      return text::UnicodeForm::utf16LE;
    case ContentEncoding::utf16BE:
      return text::UnicodeForm::utf16BE;
    case ContentEncoding::utf32LE:
      return text::UnicodeForm::utf32LE;
    case ContentEncoding::utf32BE:
      return text::UnicodeForm::utf32BE;
    default:
      return std::nullopt;
  }
}

// UTF-8, else Windows-1254, judged by what the whole document holds.
std::optional<std::string> utf8OrWindows1254(Bytes bytes, bool validUTF8, bool windows1254) {
  if (validUTF8) return std::string(asChars(bytes));
  if (windows1254) return text::decodeWindows1254(bytes);
  return std::nullopt;
}

// The text of `bytes` (after the mark) in the encoding found.
std::optional<std::string> decodeAs(ContentDecoding::Found found, Bytes bytes, bool validUTF8,
                                    bool windows1254) {
  if (const auto form = unicodeForm(found.encoding))
    return text::decodeUnicode(bytes.subspan(found.markLength), *form);
  switch (found.encoding) {
    case ContentEncoding::iso88599:
      return text::decodeISO88599(bytes);
    case ContentEncoding::latin1:
      return text::decodeLatin1(bytes);
    case ContentEncoding::windows1254:
      return windows1254 ? text::decodeWindows1254(bytes) : std::nullopt;
    default:
      return utf8OrWindows1254(bytes, validUTF8, windows1254);
  }
}

// Whether the encoding found is UTF-8 when the bytes are.
bool readsAsUTF8(ContentEncoding encoding) {
  return encoding == ContentEncoding::utf8 || encoding == ContentEncoding::undeclared;
}

// The length of the UTF-8 sequence a lead byte opens; 0 for a byte that
// opens none.
std::size_t sequenceLength(std::uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Where the last UTF-8 sequence the bytes leave incomplete begins (their
// size when none is).
std::size_t incompleteTail(Bytes bytes) {
  std::size_t lead = bytes.size();
  while (lead > 0 && bytes.size() - lead < 4 && (bytes[lead - 1] & 0xC0) == 0x80) --lead;
  if (lead == 0) return bytes.size();
  const std::size_t length = sequenceLength(bytes[lead - 1]);
  return length > bytes.size() - (lead - 1) ? lead - 1 : bytes.size();
}

// The beginning without the character the cut splits (one byte is one
// character unless the text is UTF-8, UTF-16 or UTF-32).
Bytes wholeCharacters(Bytes bytes, ContentDecoding::Found found, bool utf8) {
  const std::optional<text::UnicodeForm> form = unicodeForm(found.encoding);
  if (!form) return utf8 ? bytes.first(incompleteTail(bytes)) : bytes;
  const bool wide = *form == text::UnicodeForm::utf32LE || *form == text::UnicodeForm::utf32BE;
  const std::size_t width = wide ? 4 : 2;
  if (bytes.size() < found.markLength) return bytes.first(0);
  std::size_t size = bytes.size() - (bytes.size() - found.markLength) % width;
  if (!wide && size >= found.markLength + 2) {
    const std::uint8_t high = bytes[size - (*form == text::UnicodeForm::utf16BE ? 2 : 1)];
    if (high >= 0xD8 && high <= 0xDB) size -= 2;
  }
  return bytes.first(size);
}

}  // namespace

ContentDecoding::Found ContentDecoding::find(Bytes bytes) {
  if (startsWith(bytes, {0x00, 0x00, 0xFE, 0xFF})) return {ContentEncoding::utf32BE, 4};
  if (startsWith(bytes, {0xFF, 0xFE, 0x00, 0x00})) return {ContentEncoding::utf32LE, 4};
  if (startsWith(bytes, {0xFE, 0xFF})) return {ContentEncoding::utf16BE, 2};
  if (startsWith(bytes, {0xFF, 0xFE})) return {ContentEncoding::utf16LE, 2};
  // A UTF-8 mark is read by the XML parser itself.
  if (startsWith(bytes, {0xEF, 0xBB, 0xBF})) return {ContentEncoding::utf8, 0};
  if (startsWith(bytes, {0x00, 0x00, 0x00, 0x3C})) return {ContentEncoding::utf32BE, 0};
  if (startsWith(bytes, {0x3C, 0x00, 0x00, 0x00})) return {ContentEncoding::utf32LE, 0};
  if (startsWith(bytes, {0x00, 0x3C, 0x00, 0x3F})) return {ContentEncoding::utf16BE, 0};
  if (startsWith(bytes, {0x3C, 0x00, 0x3F, 0x00})) return {ContentEncoding::utf16LE, 0};
  return {declared(asChars(bytes.first(std::min(bytes.size(), kDeclarationBytes)))), 0};
}

std::optional<std::string> ContentDecoding::decode(Bytes bytes) {
  const Found found = find(bytes);
  const bool utf8 = readsAsUTF8(found.encoding);
  const bool validUTF8 = utf8 && text::isValidUTF8(bytes);
  const bool windows1254 =
      (found.encoding == ContentEncoding::windows1254 || (utf8 && !validUTF8)) && text::isWindows1254(bytes);
  return decodeAs(found, bytes, validUTF8, windows1254);
}

bool ContentDecoding::readsAsItStands(Bytes bytes) {
  return readsAsUTF8(find(bytes).encoding) && text::isValidUTF8(bytes);
}

void ContentDecoding::Summary::add(std::uint64_t at, Bytes piece) {
  if (at == 0) *this = Summary();
  addWide(piece);
  windows1254_ = windows1254_ && text::isWindows1254(piece);
  if (!validUTF8_) return;
  // The sequence the last piece left open, completed from this one.
  while (!carry_.empty() && !piece.empty() &&
         carry_.size() < sequenceLength(static_cast<std::uint8_t>(carry_[0]))) {
    carry_ += static_cast<char>(piece.front());
    piece = piece.subspan(1);
  }
  if (!carry_.empty() && carry_.size() == sequenceLength(static_cast<std::uint8_t>(carry_[0]))) {
    validUTF8_ = text::isValidUTF8(std::string_view(carry_));
    carry_.clear();
  }
  if (!carry_.empty()) return;  // still open: the piece was used up
  const std::size_t complete = incompleteTail(piece);
  validUTF8_ = validUTF8_ && text::isValidUTF8(piece.first(complete));
  carry_.assign(asChars(piece.subspan(complete)));
}

// UTF-16 and UTF-32 are judged in whole units, a leading surrogate kept
// back with the piece that may hold its pair.
void ContentDecoding::Summary::addWide(Bytes piece) {
  if (!found_) {
    const std::size_t take = std::min<std::size_t>(4 - head_.size(), piece.size());
    head_.append(asChars(piece.first(take)));
    piece = piece.subspan(take);
    if (head_.size() < 4) return;
    const Bytes head(reinterpret_cast<const std::uint8_t*>(head_.data()), head_.size());
    found_ = find(head);
    judgeWide(head.subspan(found_->markLength));
  }
  judgeWide(piece);
}

void ContentDecoding::Summary::judgeWide(Bytes piece) {
  const std::optional<text::UnicodeForm> form = unicodeForm(found_->encoding);
  if (!form || !validWide_) return;
  wide_.append(asChars(piece));
  const bool wide = *form == text::UnicodeForm::utf32LE || *form == text::UnicodeForm::utf32BE;
  std::size_t usable = wide_.size() - wide_.size() % (wide ? 4 : 2);
  if (!wide && usable >= 2) {
    const auto high =
        static_cast<std::uint8_t>(wide_[usable - (*form == text::UnicodeForm::utf16BE ? 2 : 1)]);
    if (high >= 0xD8 && high <= 0xDB) usable -= 2;
  }
  const Bytes units(reinterpret_cast<const std::uint8_t*>(wide_.data()), usable);
  validWide_ = text::decodeUnicode(units, *form).has_value();
  wide_.erase(0, usable);
}

void ContentDecoding::Summary::finish() {
  if (!carry_.empty()) validUTF8_ = false;
  carry_.clear();
  // A unit cut short, or a leading surrogate without its pair.
  if (found_ && unicodeForm(found_->encoding) && !wide_.empty()) validWide_ = false;
}

std::optional<std::string> ContentDecoding::decodeBeginning(Bytes beginning, const Summary& whole) {
  const Found found = find(beginning);
  if (unicodeForm(found.encoding) && !whole.validWide()) return std::nullopt;
  const bool utf8 = readsAsUTF8(found.encoding) && whole.validUTF8();
  return decodeAs(found, wholeCharacters(beginning, found, utf8), utf8, whole.windows1254());
}

}  // namespace maravel
