#include "reader/utf16_text.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/text/byte_words.hpp"
#include "platform/text/text.hpp"

namespace maravel {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

UTF16Text::UTF16Text(std::string utf8) : text_(std::move(utf8)) {
  // The check for valid UTF-8 rides along with the one pass that sets the
  // checkpoints; only a text that fails it is decoded and passed again.
  if (index()) return;
  text_ = text::decodeUTF8Lossy(text_);
  index();
}

bool UTF16Text::index() {
  checkpoints_.clear();
  checkpoints_.reserve(text_.size() / kStride + 1);
  std::size_t byte = 0;
  std::size_t unit = 0;
  while (byte < text_.size()) {
    std::size_t next = (unit + kStride - 1) / kStride * kStride;  // the next checkpoint's unit
    // A stretch of ASCII, one unit a byte.
    const std::size_t ascii = text::asciiPrefix(std::string_view(text_).substr(byte));
    for (; next < unit + ascii; next += kStride) checkpoints_.push_back({byte + (next - unit), next});
    byte += ascii;
    unit += ascii;
    if (byte == text_.size()) break;
    // A letter of two bytes (every Turkish one) is checked here; the rest
    // by the decoder's rules.
    const auto lead = static_cast<unsigned char>(text_[byte]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF && byte + 1 < text_.size() &&
                                       (static_cast<unsigned char>(text_[byte + 1]) & 0xC0) == 0x80
                                   ? 2
                                   : text::validSequenceLength(text_, byte);
    if (length == 0) return false;
    const std::size_t units = length == 4 ? 2 : 1;
    if (next < unit + units) checkpoints_.push_back({byte, unit});
    byte += length;
    unit += units;
  }
  units_ = unit;
  return true;
}

std::size_t UTF16Text::unitsAt(std::size_t byte) const {
  return static_cast<unsigned char>(text_[byte]) >= 0xF0 ? 2 : 1;
}

std::size_t UTF16Text::bytesAt(std::size_t byte) const {
  const auto lead = static_cast<unsigned char>(text_[byte]);
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

UTF16Text::Position UTF16Text::locate(std::size_t unit) {
  Position at = cursor_;
  if ((unit < at.unit || unit - at.unit >= kStride) && !checkpoints_.empty()) {
    const Position& checkpoint = checkpoints_[std::min(unit / kStride, checkpoints_.size() - 1)];
    if (unit < at.unit || checkpoint.unit > at.unit) at = checkpoint;
  }
  while (at.byte < text_.size()) {
    const std::size_t units = unitsAt(at.byte);
    if (at.unit + units > unit) break;
    at.unit += units;
    at.byte += bytesAt(at.byte);
  }
  cursor_ = at;
  return at;
}

bool UTF16Text::isHighSurrogate(std::size_t index) {
  const Position at = locate(index);
  return at.unit == index && unitsAt(at.byte) == 2;
}

std::string UTF16Text::slice(std::size_t start, std::size_t count) {
  std::string out;
  if (count == 0) return out;
  const std::size_t end = start + count;
  Position from = locate(start);
  if (from.unit < start) {
    // The slice starts with the second half of a pair.
    out += kReplacement;
    from.byte += 4;
    from.unit += 2;
    cursor_ = from;
  }
  if (from.unit >= end) return out;
  const Position to = locate(end);
  out.reserve(out.size() + to.byte - from.byte + kReplacement.size());
  out.append(text_, from.byte, to.byte - from.byte);
  if (to.unit < end) out += kReplacement;  // it ends with the first half of a pair
  return out;
}

}  // namespace maravel
