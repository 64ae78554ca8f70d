// Unicode default case mapping, white space and grapheme clusters (utf8proc).
#include <utf8proc.h>

#include <algorithm>
#include <array>

#include "platform/text/text.hpp"
#include "platform/text/utf8_codec.hpp"

namespace maravel::text {

namespace {

using detail::appendUTF8;
using detail::decodeCodePoint;

// The unconditional one-to-many upper-case mappings of SpecialCasing.txt;
// utf8proc only knows the one-to-one mappings.
struct SpecialUpper {
  char32_t from;
  std::array<char32_t, 3> to;  // 0 ends a shorter mapping
};

constexpr SpecialUpper kSpecialUpper[] = {
    {0x00DF, {0x0053, 0x0053, 0x0000}}, {0x0149, {0x02BC, 0x004E, 0x0000}},
    {0x01F0, {0x004A, 0x030C, 0x0000}}, {0x0390, {0x0399, 0x0308, 0x0301}},
    {0x03B0, {0x03A5, 0x0308, 0x0301}}, {0x0587, {0x0535, 0x0552, 0x0000}},
    {0x1E96, {0x0048, 0x0331, 0x0000}}, {0x1E97, {0x0054, 0x0308, 0x0000}},
    {0x1E98, {0x0057, 0x030A, 0x0000}}, {0x1E99, {0x0059, 0x030A, 0x0000}},
    {0x1E9A, {0x0041, 0x02BE, 0x0000}}, {0x1F50, {0x03A5, 0x0313, 0x0000}},
    {0x1F52, {0x03A5, 0x0313, 0x0300}}, {0x1F54, {0x03A5, 0x0313, 0x0301}},
    {0x1F56, {0x03A5, 0x0313, 0x0342}}, {0x1F80, {0x1F08, 0x0399, 0x0000}},
    {0x1F81, {0x1F09, 0x0399, 0x0000}}, {0x1F82, {0x1F0A, 0x0399, 0x0000}},
    {0x1F83, {0x1F0B, 0x0399, 0x0000}}, {0x1F84, {0x1F0C, 0x0399, 0x0000}},
    {0x1F85, {0x1F0D, 0x0399, 0x0000}}, {0x1F86, {0x1F0E, 0x0399, 0x0000}},
    {0x1F87, {0x1F0F, 0x0399, 0x0000}}, {0x1F88, {0x1F08, 0x0399, 0x0000}},
    {0x1F89, {0x1F09, 0x0399, 0x0000}}, {0x1F8A, {0x1F0A, 0x0399, 0x0000}},
    {0x1F8B, {0x1F0B, 0x0399, 0x0000}}, {0x1F8C, {0x1F0C, 0x0399, 0x0000}},
    {0x1F8D, {0x1F0D, 0x0399, 0x0000}}, {0x1F8E, {0x1F0E, 0x0399, 0x0000}},
    {0x1F8F, {0x1F0F, 0x0399, 0x0000}}, {0x1F90, {0x1F28, 0x0399, 0x0000}},
    {0x1F91, {0x1F29, 0x0399, 0x0000}}, {0x1F92, {0x1F2A, 0x0399, 0x0000}},
    {0x1F93, {0x1F2B, 0x0399, 0x0000}}, {0x1F94, {0x1F2C, 0x0399, 0x0000}},
    {0x1F95, {0x1F2D, 0x0399, 0x0000}}, {0x1F96, {0x1F2E, 0x0399, 0x0000}},
    {0x1F97, {0x1F2F, 0x0399, 0x0000}}, {0x1F98, {0x1F28, 0x0399, 0x0000}},
    {0x1F99, {0x1F29, 0x0399, 0x0000}}, {0x1F9A, {0x1F2A, 0x0399, 0x0000}},
    {0x1F9B, {0x1F2B, 0x0399, 0x0000}}, {0x1F9C, {0x1F2C, 0x0399, 0x0000}},
    {0x1F9D, {0x1F2D, 0x0399, 0x0000}}, {0x1F9E, {0x1F2E, 0x0399, 0x0000}},
    {0x1F9F, {0x1F2F, 0x0399, 0x0000}}, {0x1FA0, {0x1F68, 0x0399, 0x0000}},
    {0x1FA1, {0x1F69, 0x0399, 0x0000}}, {0x1FA2, {0x1F6A, 0x0399, 0x0000}},
    {0x1FA3, {0x1F6B, 0x0399, 0x0000}}, {0x1FA4, {0x1F6C, 0x0399, 0x0000}},
    {0x1FA5, {0x1F6D, 0x0399, 0x0000}}, {0x1FA6, {0x1F6E, 0x0399, 0x0000}},
    {0x1FA7, {0x1F6F, 0x0399, 0x0000}}, {0x1FA8, {0x1F68, 0x0399, 0x0000}},
    {0x1FA9, {0x1F69, 0x0399, 0x0000}}, {0x1FAA, {0x1F6A, 0x0399, 0x0000}},
    {0x1FAB, {0x1F6B, 0x0399, 0x0000}}, {0x1FAC, {0x1F6C, 0x0399, 0x0000}},
    {0x1FAD, {0x1F6D, 0x0399, 0x0000}}, {0x1FAE, {0x1F6E, 0x0399, 0x0000}},
    {0x1FAF, {0x1F6F, 0x0399, 0x0000}}, {0x1FB2, {0x1FBA, 0x0399, 0x0000}},
    {0x1FB3, {0x0391, 0x0399, 0x0000}}, {0x1FB4, {0x0386, 0x0399, 0x0000}},
    {0x1FB6, {0x0391, 0x0342, 0x0000}}, {0x1FB7, {0x0391, 0x0342, 0x0399}},
    {0x1FBC, {0x0391, 0x0399, 0x0000}}, {0x1FC2, {0x1FCA, 0x0399, 0x0000}},
    {0x1FC3, {0x0397, 0x0399, 0x0000}}, {0x1FC4, {0x0389, 0x0399, 0x0000}},
    {0x1FC6, {0x0397, 0x0342, 0x0000}}, {0x1FC7, {0x0397, 0x0342, 0x0399}},
    {0x1FCC, {0x0397, 0x0399, 0x0000}}, {0x1FD2, {0x0399, 0x0308, 0x0300}},
    {0x1FD3, {0x0399, 0x0308, 0x0301}}, {0x1FD6, {0x0399, 0x0342, 0x0000}},
    {0x1FD7, {0x0399, 0x0308, 0x0342}}, {0x1FE2, {0x03A5, 0x0308, 0x0300}},
    {0x1FE3, {0x03A5, 0x0308, 0x0301}}, {0x1FE4, {0x03A1, 0x0313, 0x0000}},
    {0x1FE6, {0x03A5, 0x0342, 0x0000}}, {0x1FE7, {0x03A5, 0x0308, 0x0342}},
    {0x1FF2, {0x1FFA, 0x0399, 0x0000}}, {0x1FF3, {0x03A9, 0x0399, 0x0000}},
    {0x1FF4, {0x038F, 0x0399, 0x0000}}, {0x1FF6, {0x03A9, 0x0342, 0x0000}},
    {0x1FF7, {0x03A9, 0x0342, 0x0399}}, {0x1FFC, {0x03A9, 0x0399, 0x0000}},
    {0xFB00, {0x0046, 0x0046, 0x0000}}, {0xFB01, {0x0046, 0x0049, 0x0000}},
    {0xFB02, {0x0046, 0x004C, 0x0000}}, {0xFB03, {0x0046, 0x0046, 0x0049}},
    {0xFB04, {0x0046, 0x0046, 0x004C}}, {0xFB05, {0x0053, 0x0054, 0x0000}},
    {0xFB06, {0x0053, 0x0054, 0x0000}}, {0xFB13, {0x0544, 0x0546, 0x0000}},
    {0xFB14, {0x0544, 0x0535, 0x0000}}, {0xFB15, {0x0544, 0x053B, 0x0000}},
    {0xFB16, {0x054E, 0x0546, 0x0000}}, {0xFB17, {0x0544, 0x053D, 0x0000}},
};

constexpr char32_t kCapitalIWithDotAbove = 0x0130;
constexpr char32_t kCombiningDotAbove = 0x0307;

const SpecialUpper* findSpecialUpper(char32_t cp) {
  const auto* end = std::end(kSpecialUpper);
  const auto* it =
      std::lower_bound(std::begin(kSpecialUpper), end, cp,
                       [](const SpecialUpper& entry, char32_t value) { return entry.from < value; });
  return it != end && it->from == cp ? it : nullptr;
}

void appendLowercase(std::string& out, char32_t cp) {
  if (cp == kCapitalIWithDotAbove) {
    appendUTF8(out, 'i');
    appendUTF8(out, kCombiningDotAbove);
    return;
  }
  appendUTF8(out, static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(cp))));
}

void appendUppercase(std::string& out, char32_t cp) {
  if (const SpecialUpper* special = findSpecialUpper(cp)) {
    for (const char32_t part : special->to) {
      if (part != 0) appendUTF8(out, part);
    }
    return;
  }
  appendUTF8(out, static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(cp))));
}

// Maps every code point; invalid sequences become U+FFFD.
template <typename Append>
std::string mapCodePoints(std::string_view s, Append append) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t pos = 0; pos < s.size();) {
    const auto decoded = decodeCodePoint(s, pos);
    append(out, decoded.value);
    pos += decoded.length;
  }
  return out;
}

bool isSpaceSeparator(char32_t cp) {
  return utf8proc_category(static_cast<utf8proc_int32_t>(cp)) == UTF8PROC_CATEGORY_ZS;
}

bool isLineBreak(char32_t cp) {
  return (cp >= 0x0A && cp <= 0x0D) || cp == 0x85 || cp == 0x2028 || cp == 0x2029;
}

bool isWordCharacter(char32_t cp) {
  switch (utf8proc_category(static_cast<utf8proc_int32_t>(cp))) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_MN:
    case UTF8PROC_CATEGORY_MC:
    case UTF8PROC_CATEGORY_ME:
      return true;
    default:
      return false;
  }
}

// The code point that ends right before byte `end` (end > 0).
char32_t codePointBefore(std::string_view s, std::size_t end) {
  std::size_t lead = end - 1;
  while (lead > 0 && end - lead < 4 && (static_cast<unsigned char>(s[lead]) & 0xC0) == 0x80) --lead;
  return decodeCodePoint(s, lead).value;
}

bool isBlank(char32_t cp) { return cp == '\t' || isSpaceSeparator(cp); }

bool isBlankOrLineBreak(char32_t cp) { return isBlank(cp) || isLineBreak(cp); }

// Cuts the characters matching `strip` from both ends. Works forwards so that
// invalid UTF-8 never leads to reading backwards into the middle of a sequence.
template <typename Predicate>
std::string_view trimmed(std::string_view s, Predicate strip) {
  // An ASCII byte is always a code point of its own, so ends that are ASCII
  // characters to keep settle the answer without decoding the rest.
  const auto keptASCII = [&](char c) { return static_cast<unsigned char>(c) < 0x80 && !strip(c); };
  if (!s.empty() && keptASCII(s.front()) && keptASCII(s.back())) return s;
  std::size_t first = s.size();
  std::size_t last = 0;
  for (std::size_t pos = 0; pos < s.size();) {
    const auto decoded = decodeCodePoint(s, pos);
    const bool keep = !decoded.valid || !strip(decoded.value);
    if (keep) {
      first = std::min(first, pos);
      last = pos + decoded.length;
    }
    pos += decoded.length;
  }
  return first < last ? s.substr(first, last - first) : std::string_view{};
}

}  // namespace

std::string lowercased(std::string_view s) { return mapCodePoints(s, appendLowercase); }

std::string uppercased(std::string_view s) { return mapCodePoints(s, appendUppercase); }

std::string_view trimWhitespaceAndNewlines(std::string_view s) { return trimmed(s, isBlankOrLineBreak); }

std::string_view trimWhitespace(std::string_view s) { return trimmed(s, isBlank); }

bool containsWord(std::string_view s, std::string_view word) {
  if (word.empty()) return false;
  for (auto at = s.find(word); at != std::string_view::npos; at = s.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    const bool letterBefore = at > 0 && isWordCharacter(codePointBefore(s, at));
    const bool letterAfter = end < s.size() && isWordCharacter(decodeCodePoint(s, end).value);
    if (!letterBefore && !letterAfter) return true;
  }
  return false;
}

std::string prefixGraphemes(std::string_view s, std::size_t count) {
  if (count == 0) return {};
  utf8proc_int32_t state = 0;
  utf8proc_int32_t previous = -1;
  std::size_t clusters = 0;
  for (std::size_t pos = 0; pos < s.size();) {
    const auto decoded = decodeCodePoint(s, pos);
    const auto current = static_cast<utf8proc_int32_t>(decoded.value);
    const bool startsCluster = previous < 0 || utf8proc_grapheme_break_stateful(previous, current, &state);
    if (startsCluster) {
      if (clusters == count) return decodeUTF8Lossy(s.substr(0, pos));
      ++clusters;
    }
    previous = current;
    pos += decoded.length;
  }
  return decodeUTF8Lossy(s);
}

}  // namespace maravel::text
