// Locale-independent number parsing on std::from_chars.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/text/text.hpp"

namespace maravel::text {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// std::from_chars accepts "-" but not "+": drop a "+" that is followed by
// something other than another sign.
std::optional<std::string_view> withoutPlus(std::string_view s) {
  if (s.empty() || s.front() != '+') return s;
  s.remove_prefix(1);
  if (s.empty() || s.front() == '-' || s.front() == '+') return std::nullopt;
  return s;
}

// Only what a decimal literal can hold; shuts out "inf", "nan", "0x..".
bool hasOnlyDecimalCharacters(std::string_view s) {
  for (const char c : s) {
    if (!isDigit(c) && c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E') return false;
  }
  return true;
}

// Decimal exponent of the leading non-zero digit of a well-formed literal
// (sign already gone); used only to tell underflow from overflow.
double leadingDigitExponent(std::string_view s) {
  const std::size_t exponentAt = s.find_first_of("eE");
  const std::string_view mantissa = s.substr(0, exponentAt);
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return 0;
  double exponent =
      first < point ? static_cast<double>(point - first - 1) : -static_cast<double>(first - point);
  if (exponentAt != std::string_view::npos) {
    std::string_view written = s.substr(exponentAt + 1);
    const bool negative = !written.empty() && written.front() == '-';
    if (!written.empty() && (written.front() == '-' || written.front() == '+')) written.remove_prefix(1);
    double magnitude = 0;
    for (const char c : written) magnitude = std::min(magnitude * 10 + (c - '0'), 1e9);
    exponent += negative ? -magnitude : magnitude;
  }
  return exponent;
}

}  // namespace

std::optional<std::int64_t> parseInteger(std::string_view s) {
  const auto digits = withoutPlus(s);
  if (!digits || digits->empty()) return std::nullopt;
  std::int64_t value = 0;
  const char* end = digits->data() + digits->size();
  const auto [ptr, ec] = std::from_chars(digits->data(), end, value);
  if (ec != std::errc{} || ptr != end) return std::nullopt;
  return value;
}

std::optional<double> parseNumber(std::string_view s) {
  const auto literal = withoutPlus(s);
  if (!literal || literal->empty() || !hasOnlyDecimalCharacters(*literal)) return std::nullopt;
  double value = 0;
  const char* end = literal->data() + literal->size();
  const auto [ptr, ec] = std::from_chars(literal->data(), end, value, std::chars_format::general);
  if (ptr != end) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // Too small to represent rounds to zero; too large has no finite value.
    const bool negative = literal->front() == '-';
    const std::string_view unsignedPart = negative ? literal->substr(1) : *literal;
    if (leadingDigitExponent(unsignedPart) >= 0) return std::nullopt;
    return negative ? -0.0 : 0.0;
  }
  if (ec != std::errc{} || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace maravel::text
