#include "Maravel/folded_text.hpp"

#include <algorithm>

#include "platform/text/text.hpp"

namespace maravel {
namespace {

// The Turkish pairs first: the default mapping would give "I" -> "i" and
// "İ" -> "i" + U+0307.
std::string foldCharacter(std::string_view character) {
  if (character == "I") return "ı";
  if (character == "İ") return "i";
  return text::lowercased(character);
}

// The folded form of every two-byte character (U+0080 to U+07FF, where the
// Turkish letters lie), made once: a thousand pages fold without a call a
// character.
struct TwoByteFolds {
  std::string folded[0x800];
  TwoByteFolds() {
    for (char32_t c = 0x80; c < 0x800; ++c) {
      const char bytes[] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
      folded[c] = foldCharacter(std::string_view(bytes, 2));
    }
  }
};

const TwoByteFolds& twoByteFolds() {
  static const TwoByteFolds folds;
  return folds;
}

}  // namespace

template <class Visit>
void FoldedText::foldEach(std::string_view text, std::string& out, Visit&& changed) {
  const TwoByteFolds& folds = twoByteFolds();
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80 && byte != 'I') {  // the common case, one byte for one
      out += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
      ++at;
      continue;
    }
    const std::size_t valid = text::validSequenceLength(text, at);
    const std::size_t length = valid == 0 ? 1 : valid;
    const std::size_t before = out.size();
    if (byte == 'I') {
      out += "ı";
    } else if (valid == 2) {
      const auto trail = static_cast<unsigned char>(text[at + 1]);
      out += folds.folded[((byte & 0x1F) << 6) | (trail & 0x3F)];
    } else {
      out += foldCharacter(text.substr(at, length));
    }
    if (out.size() - before != length) changed(before, at, out.size() - before, length);
    at += length;
  }
}

FoldedText::FoldedText(std::string_view text) : textSize_(text.size()) {
  foldEach(text, folded_, [this](std::size_t folded, std::size_t at, std::size_t foldedBytes, std::size_t bytes) {
    steps_.push_back({static_cast<std::uint32_t>(folded), static_cast<std::uint32_t>(at),
                      static_cast<std::uint8_t>(std::min<std::size_t>(foldedBytes, 255)),
                      static_cast<std::uint8_t>(bytes)});
  });
}

std::string FoldedText::fold(std::string_view text) {
  std::string out;
  foldEach(text, out, [](std::size_t, std::size_t, std::size_t, std::size_t) {});
  return out;
}

std::size_t FoldedText::origin(std::size_t at) const {
  if (at >= folded_.size()) return textSize_;
  // The last character before `at` that changed length, if any.
  const auto after = std::upper_bound(steps_.begin(), steps_.end(), at,
                                      [](std::size_t offset, const Step& step) { return offset < step.folded; });
  if (after == steps_.begin()) return at;
  const Step& step = *(after - 1);
  if (at < step.folded + step.foldedBytes) return step.text;
  return step.text + step.textBytes + (at - step.folded - step.foldedBytes);
}

}  // namespace maravel
