#include "platform/commandline/printable_text.hpp"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <utility>

namespace maravel::commandline {

namespace {

// The length of the well-formed UTF-8 sequence at `at` and the character
// it encodes; length 0 when the byte there starts none.
std::pair<std::size_t, char32_t> sequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
  const std::uint8_t lead = byte(0);
  const std::size_t length = lead < 0x80                    ? 1
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || at + length > text.size()) return {0, 0};
  char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {0, 0};
    c = c << 6 | (byte(i) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return {0, 0};
  return {length, c};
}

bool actsOnTerminal(char32_t c) {
  return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x61C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string escape(const char* format, unsigned value) {
  char out[8];
  std::snprintf(out, sizeof out, format, value);
  return out;
}

}  // namespace

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto [length, c] = sequenceAt(text, at);
    if (length == 0 || (length == 1 && actsOnTerminal(c))) {
      out += escape("\\x%02X", static_cast<std::uint8_t>(text[at]));
      ++at;
      continue;
    }
    if (actsOnTerminal(c)) {
      out += escape("\\u%04X", static_cast<unsigned>(c));
    } else {
      out.append(text.substr(at, length));
    }
    at += length;
  }
  return out;
}

void printError(std::string_view program, std::string_view message) {
  std::cerr << program << ": " << printable(message) << "\n";
}

}  // namespace maravel::commandline
