// The two literal-delimited patterns the reader searches for, as plain
// scanners (leftmost match, like the regular expressions they stand for).
#include <algorithm>

#include "platform/text/text.hpp"

namespace maravel::text {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Position of the first line break at or after `from` (LF, VT, FF, CR, U+0085,
// U+2028, U+2029 in UTF-8), or s.size().
std::size_t lineEnd(std::string_view s, std::size_t from) {
  for (std::size_t i = from; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b >= 0x0A && b <= 0x0D) return i;
    if (b == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x85) return i;
    if (b == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80) {
      const auto third = static_cast<unsigned char>(s[i + 2]);
      if (third == 0xA8 || third == 0xA9) return i;
    }
  }
  return s.size();
}

bool digitsAt(std::string_view s, std::size_t pos, std::size_t count) {
  if (pos > s.size() || s.size() - pos < count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if (!isDigit(s[pos + i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string_view> findBetweenOnOneLine(std::string_view s, std::string_view open,
                                                     std::string_view close) {
  std::size_t from = 0;
  while (true) {
    const std::size_t start = s.find(open, from);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t bodyStart = start + open.size();
    const std::size_t limit = lineEnd(s, bodyStart);
    const std::size_t closeAt = s.substr(0, limit).find(close, bodyStart);
    if (closeAt != std::string_view::npos) {
      return s.substr(start, closeAt + close.size() - start);
    }
    // Every later start on this line would search a part of the same line.
    from = std::max(limit, start + 1);
  }
}

std::optional<std::string_view> findDigitRun(std::string_view s, std::size_t count,
                                             std::string_view optionalPrefix) {
  for (std::size_t pos = 0; pos <= s.size(); ++pos) {
    const bool prefixed = !optionalPrefix.empty() && s.substr(pos).starts_with(optionalPrefix);
    if (prefixed && digitsAt(s, pos + optionalPrefix.size(), count)) {
      return s.substr(pos, optionalPrefix.size() + count);
    }
    if (digitsAt(s, pos, count)) return s.substr(pos, count);
  }
  return std::nullopt;
}

}  // namespace maravel::text
