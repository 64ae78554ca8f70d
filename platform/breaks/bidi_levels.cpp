#include "platform/breaks/bidi_levels.hpp"

#include <unicode/ubidi.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <numeric>

namespace maravel::breaks {

namespace {

// Every character of a right-to-left class, and every bidirectional
// control, lies at U+0590 or above, whose UTF-8 sequences lead with 0xD6
// or a larger byte.
constexpr unsigned char kFirstRightToLeftLead = 0xD6;

bool mayHoldRightToLeft(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= kFirstRightToLeftLead) return true;
  return false;
}

bool turnsDirection(char32_t c) {
  switch (u_charDirection(static_cast<UChar32>(c))) {
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC:
    case U_RIGHT_TO_LEFT_EMBEDDING:
    case U_RIGHT_TO_LEFT_OVERRIDE:
    case U_LEFT_TO_RIGHT_EMBEDDING:
    case U_LEFT_TO_RIGHT_OVERRIDE:
    case U_RIGHT_TO_LEFT_ISOLATE:
    case U_LEFT_TO_RIGHT_ISOLATE:
    case U_FIRST_STRONG_ISOLATE:
    case U_POP_DIRECTIONAL_FORMAT:
    case U_POP_DIRECTIONAL_ISOLATE:
      return true;
    default:
      return false;
  }
}

// The code point at `at` and its length; a byte of an invalid sequence is
// U+FFFD.
std::pair<char32_t, std::size_t> codePointAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(text[i])); };
  const char32_t lead = byte(at);
  const std::size_t length = lead < 0x80   ? 1
                             : lead < 0xC2 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 1) return {lead, 1};
  if (length == 0 || at + length > text.size()) return {0xFFFD, 1};
  char32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return {0xFFFD, 1};
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  if (overlong || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return {0xFFFD, 1};
  return {code, length};
}

struct BidiDeleter {
  void operator()(UBiDi* bidi) const { ubidi_close(bidi); }
};

}  // namespace

std::optional<std::vector<std::uint8_t>> BidiLevels::of(std::string_view text) {
  if (text.size() > kMaxBytes || !mayHoldRightToLeft(text)) return std::nullopt;
  std::u16string units;
  std::vector<std::uint32_t> unitOf;  // by byte: the index of its code point's first unit
  unitOf.reserve(text.size());
  bool turns = false;
  for (std::size_t at = 0; at < text.size();) {
    const auto [code, length] = codePointAt(text, at);
    turns = turns || turnsDirection(code);
    unitOf.insert(unitOf.end(), length, static_cast<std::uint32_t>(units.size()));
    if (code >= 0x10000) {
      units.push_back(static_cast<char16_t>(U16_LEAD(code)));
      units.push_back(static_cast<char16_t>(U16_TRAIL(code)));
    } else {
      units.push_back(static_cast<char16_t>(code));
    }
    at += length;
  }
  if (!turns) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  const std::unique_ptr<UBiDi, BidiDeleter> bidi(
      ubidi_openSized(static_cast<int32_t>(units.size()), 0, &status));
  if (U_FAILURE(status)) return std::nullopt;
  ubidi_setPara(bidi.get(), units.data(), static_cast<int32_t>(units.size()), UBIDI_LTR, nullptr, &status);
  const UBiDiLevel* unitLevels = ubidi_getLevels(bidi.get(), &status);
  if (U_FAILURE(status) || unitLevels == nullptr) return std::nullopt;
  std::vector<std::uint8_t> levels(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) levels[i] = unitLevels[unitOf[i]];
  return levels;
}

std::vector<std::size_t> BidiLevels::visualOrder(const std::vector<std::uint8_t>& levels) {
  std::vector<std::size_t> order(levels.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::vector<int32_t> map(levels.size());
  if (levels.empty() || levels.size() > static_cast<std::size_t>(INT32_MAX)) return order;
  ubidi_reorderVisual(levels.data(), static_cast<int32_t>(levels.size()), map.data());
  for (std::size_t i = 0; i < levels.size(); ++i) order[i] = static_cast<std::size_t>(map[i]);
  return order;
}

}  // namespace maravel::breaks
