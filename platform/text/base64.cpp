// Standard base64 (RFC 4648 alphabet, "=" padding).
#include <array>

#include "platform/text/text.hpp"

namespace maravel::text {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kNotInAlphabet = 0xFF;
constexpr std::uint8_t kPadding = 0xFE;

constexpr std::array<std::uint8_t, 256> makeDecodeTable() {
  std::array<std::uint8_t, 256> table{};
  for (auto& entry : table) entry = kNotInAlphabet;
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<std::uint8_t>(kAlphabet[i])] = i;
  table['='] = kPadding;
  return table;
}

constexpr auto kDecodeTable = makeDecodeTable();

// The alphabet and padding characters of `s`, as 6-bit values and kPadding.
std::vector<std::uint8_t> alphabetValues(std::string_view s) {
  std::vector<std::uint8_t> values;
  values.reserve(s.size());
  for (const char c : s) {
    const std::uint8_t value = kDecodeTable[static_cast<std::uint8_t>(c)];
    if (value != kNotInAlphabet) values.push_back(value);
  }
  return values;
}

// Padding may only end the last group of four: "xx==" or "xxx=".
bool isWellFormed(const std::vector<std::uint8_t>& values) {
  if (values.size() % 4 != 0) return false;
  const std::size_t n = values.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (values[i] != kPadding) continue;
    const bool lastTwo = i + 2 >= n && i % 4 >= 2;
    const bool padsToEnd = i + 1 == n || values[i + 1] == kPadding;
    if (!lastTwo || !padsToEnd) return false;
  }
  return true;
}

}  // namespace

std::vector<std::uint8_t> decodeBase64(std::string_view s) {
  const std::vector<std::uint8_t> values = alphabetValues(s);
  if (!isWellFormed(values)) return {};
  std::vector<std::uint8_t> out;
  out.reserve(values.size() / 4 * 3);
  for (std::size_t i = 0; i < values.size(); i += 4) {
    const std::uint32_t group = (std::uint32_t{values[i]} << 18) | (std::uint32_t{values[i + 1]} << 12) |
                                (values[i + 2] == kPadding ? 0 : std::uint32_t{values[i + 2]} << 6) |
                                (values[i + 3] == kPadding ? 0 : std::uint32_t{values[i + 3]});
    out.push_back(static_cast<std::uint8_t>(group >> 16));
    if (values[i + 2] != kPadding) out.push_back(static_cast<std::uint8_t>(group >> 8));
    if (values[i + 3] != kPadding) out.push_back(static_cast<std::uint8_t>(group));
  }
  return out;
}

std::string encodeBase64(Bytes bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t remaining = bytes.size() - i;
    std::uint32_t group = std::uint32_t{bytes[i]} << 16;
    if (remaining > 1) group |= std::uint32_t{bytes[i + 1]} << 8;
    if (remaining > 2) group |= bytes[i + 2];
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out.push_back(remaining > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=');
    out.push_back(remaining > 2 ? kAlphabet[group & 0x3F] : '=');
  }
  return out;
}

}  // namespace maravel::text
