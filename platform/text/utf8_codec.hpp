// Internal to platform/text: one-code-point UTF-8 decoding and encoding
// shared by the decoders, the case mapping and the scanners.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace maravel::text::detail {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

struct DecodedCodePoint {
  char32_t value = kReplacementCharacter;
  // Bytes consumed, at least 1. For an invalid sequence: the length of its
  // maximal valid prefix (so each maximal subpart becomes one U+FFFD).
  std::size_t length = 1;
  bool valid = false;
};

// Decodes the code point starting at `pos` (pos < s.size()). Rejects
// overlong forms, surrogates and values above U+10FFFF.
inline DecodedCodePoint decodeCodePoint(std::string_view s, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
  const std::uint8_t lead = byte(pos);
  if (lead < 0x80) return {lead, 1, true};

  std::size_t needed = 0;
  char32_t value = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {};
  }

  std::size_t i = 1;
  for (; i <= needed; ++i) {
    if (pos + i >= s.size()) return {kReplacementCharacter, i, false};
    const std::uint8_t b = byte(pos + i);
    if (b < low || b > high) return {kReplacementCharacter, i, false};
    low = 0x80;
    high = 0xBF;
    value = (value << 6) | (b & 0x3F);
  }
  return {value, needed + 1, true};
}

inline void appendUTF8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace maravel::text::detail
