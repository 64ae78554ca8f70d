#include "platform/drawing/pdf_syntax.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/text/text.hpp"

namespace maravel::drawing::detail {

namespace {

constexpr double kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
constexpr long long kUnitsOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
constexpr char kHexDigits[] = "0123456789ABCDEF";

int clampedDecimals(int decimals) { return decimals < 0 ? 0 : decimals > 6 ? 6 : decimals; }

// Calls `unit` with each UTF-16 code unit of valid UTF-8.
template <typename Unit>
void forEachUTF16(std::string_view utf8, Unit&& unit) {
  for (std::size_t at = 0; at < utf8.size();) {
    const auto byte = [&](std::size_t i) {
      return static_cast<char32_t>(static_cast<unsigned char>(utf8[i]));
    };
    const char32_t lead = byte(at);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length && at + i < utf8.size(); ++i)
      code = (code << 6) | (byte(at + i) & 0x3F);
    at += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      unit(static_cast<std::uint32_t>(0xD800 + (code >> 10)));
      unit(static_cast<std::uint32_t>(0xDC00 + (code & 0x3FF)));
    } else {
      unit(static_cast<std::uint32_t>(code));
    }
  }
}

}  // namespace

double writtenNumber(double value, int decimals) {
  if (!std::isfinite(value)) return 0;
  const double scale = kPowersOfTen[clampedDecimals(decimals)];
  value = std::fmax(-kMaxPdfNumber, std::fmin(kMaxPdfNumber, value));
  return std::round(value * scale) / scale;
}

void appendNumber(std::string& out, double value, int decimals) {
  char digits[kNumberBytes];
  out.append(digits, writeNumber(digits, value, decimals));
}

char* writeNumber(char* out, double value, int decimals) {
  decimals = clampedDecimals(decimals);
  const double clamped =
      std::isfinite(value) ? std::fmax(-kMaxPdfNumber, std::fmin(kMaxPdfNumber, value)) : 0;
  // Rounded half away from zero, as std::llround does, without its library
  // call (this runs for nearly every glyph): the value is at most
  // kMaxPdfNumber times a million, far inside the integers a double holds
  // exactly, so its fraction is exact.
  const double magnitude = std::fabs(clamped * kPowersOfTen[decimals]);
  auto units = static_cast<long long>(magnitude);
  if (magnitude - static_cast<double>(units) >= 0.5) ++units;
  if (units != 0 && clamped < 0) *out++ = '-';
  const long long scale = kUnitsOfTen[decimals];
  out = std::to_chars(out, out + kNumberBytes, units / scale).ptr;
  long long fraction = units % scale;
  if (fraction == 0) return out;
  // The decimals, trailing zeros left out.
  int digits = decimals;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --digits;
  }
  *out++ = '.';
  for (int i = digits - 1; i >= 0; --i, fraction /= 10) out[i] = static_cast<char>('0' + fraction % 10);
  return out + digits;
}

void appendHex4(std::string& out, std::uint32_t value) {
  const char digits[4] = {kHexDigits[(value >> 12) & 0xF], kHexDigits[(value >> 8) & 0xF],
                          kHexDigits[(value >> 4) & 0xF], kHexDigits[value & 0xF]};
  out.append(digits, 4);
}

void appendUTF16Hex(std::string& out, std::string_view utf8) {
  forEachUTF16(utf8, [&out](std::uint32_t unit) { appendHex4(out, unit); });
}

void appendTextString(std::string& out, std::string_view utf8) {
  bool printable = true;
  for (const char c : utf8) printable = printable && c >= 0x20 && c < 0x7F;
  if (printable) {
    out.push_back('(');
    for (const char c : utf8) {
      if (c == '(' || c == ')' || c == '\\') out.push_back('\\');
      out.push_back(c);
    }
    out.push_back(')');
    return;
  }
  out.append("<FEFF");
  appendUTF16Hex(out, text::decodeUTF8Lossy(utf8));
  out.push_back('>');
}

void appendName(std::string& out, std::string_view text) {
  const std::size_t start = out.size();
  out.push_back('/');
  for (const char c : text) {
    const bool kept =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (kept && out.size() - start <= 63) out.push_back(c);
  }
  if (out.size() == start + 1) out.append("Font");
}

}  // namespace maravel::drawing::detail
