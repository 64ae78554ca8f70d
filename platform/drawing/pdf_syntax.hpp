// The pieces of PDF syntax a PdfDocument writes (internal to
// platform/drawing): numbers, names and strings made safe from any input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace maravel::drawing::detail {

// Numbers beyond this are written as this: a file of hostile sizes stays a
// valid file, whatever it then shows.
constexpr double kMaxPdfNumber = 1e9;

// `value` clamped to +-kMaxPdfNumber and rounded to `decimals` (at most 6)
// decimals, as appendNumber writes it; 0 for a value that is not finite.
double writtenNumber(double value, int decimals = 3);

// Appends writtenNumber(value, decimals) in the shortest form: no exponent,
// no trailing zeros ("12", "-0.5", "595.28").
void appendNumber(std::string& out, double value, int decimals = 3);
// The same written at `out`, at most kNumberBytes of them; the end.
constexpr std::size_t kNumberBytes = 20;
char* writeNumber(char* out, double value, int decimals = 3);

// Appends `value` as four hexadecimal digits (a two-byte code).
void appendHex4(std::string& out, std::uint32_t value);

// Writes the two bytes of the code `value` at `out` as they stand inside a
// literal string, escaped where they would end it or change it ('(', ')',
// '\\' and carriage return): at most kCodeBytes bytes; the end.
constexpr std::size_t kCodeBytes = 4;
// The bytes a literal string escapes: '(', ')', '\\' and carriage return.
inline constexpr std::array<bool, 256> kEscapedInString = [] {
  std::array<bool, 256> escaped{};
  for (const unsigned char byte : {'(', ')', '\\', '\r'}) escaped[byte] = true;
  return escaped;
}();

// Inline: it is written once for every glyph of a document.
inline char* writeCode(char* out, std::uint32_t value) {
  // Looked up rather than compared: it runs once for every glyph.
  const auto plain = [](std::uint32_t byte) { return !kEscapedInString[byte]; };
  if (plain((value >> 8) & 0xFF) && plain(value & 0xFF)) {
    out[0] = static_cast<char>((value >> 8) & 0xFF);
    out[1] = static_cast<char>(value & 0xFF);
    return out + 2;
  }
  for (const char byte : {static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)}) {
    if (byte == '(' || byte == ')' || byte == '\\') {
      *out++ = '\\';
    } else if (byte == '\r') {
      *out++ = '\\';
      *out++ = 'r';
      continue;
    }
    *out++ = byte;
  }
  return out;
}

// Appends the UTF-16BE code units of `utf8` (valid UTF-8) as hexadecimal
// digits, without a byte order mark.
void appendUTF16Hex(std::string& out, std::string_view utf8);

// Appends a text string for `utf8` (any bytes; invalid sequences read as
// U+FFFD): a literal string with its delimiters escaped when it is
// printable ASCII, else UTF-16BE with a byte order mark in hexadecimal.
void appendTextString(std::string& out, std::string_view utf8);

// Appends a name ("/Name") of the letters, digits, '-' and '_' of `text`,
// the others left out, at most 63 of them; "/Font" when none are left.
void appendName(std::string& out, std::string_view text);

}  // namespace maravel::drawing::detail
