#include "Maravel/text_search.hpp"

#include <algorithm>

#include "platform/text/text.hpp"

namespace maravel {
namespace {

// The length of the UTF-8 sequence that `lead` starts, 1 for a stray byte.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
  const std::size_t length = text::validSequenceLength(text, at);
  return length == 0 ? 1 : length;
}

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

const std::string& foldTwoBytes(std::string_view character) {
  static const TwoByteFolds folds;
  const auto lead = static_cast<unsigned char>(character[0]),
             trail = static_cast<unsigned char>(character[1]);
  return folds.folded[((lead & 0x1F) << 6) | (trail & 0x3F)];
}

}  // namespace

TextSearch::TextSearch(std::string_view needle) : needle_(fold(needle)) {}

std::string TextSearch::fold(std::string_view text, std::vector<std::uint32_t>* origins) {
  std::string out;
  out.reserve(text.size());
  if (origins != nullptr) {
    origins->clear();
    origins->reserve(text.size());
  }
  for (std::size_t at = 0; at < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    const std::size_t before = out.size();
    std::size_t length = 1;
    if (byte < 0x80 && byte != 'I') {
      out += static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
    } else {
      length = sequenceLength(text, at);
      out += length == 2 ? foldTwoBytes(text.substr(at, 2)) : foldCharacter(text.substr(at, length));
    }
    if (origins != nullptr)
      origins->insert(origins->end(), out.size() - before, static_cast<std::uint32_t>(at));
    at += length;
  }
  return out;
}

std::vector<TextRange> TextSearch::find(std::string_view text) const {
  std::vector<std::uint32_t> origins;
  const std::string folded = fold(text, &origins);
  return findFolded(folded, origins, text.size());
}

std::vector<TextRange> TextSearch::findFolded(std::string_view folded,
                                              const std::vector<std::uint32_t>& origins,
                                              std::size_t textSize) const {
  std::vector<TextRange> found;
  if (needle_.empty() || folded.empty()) return found;
  for (std::size_t at = folded.find(needle_); at != std::string::npos; at = folded.find(needle_, at)) {
    const std::size_t end = at + needle_.size();
    const std::size_t to = end < folded.size() ? origins[end] : textSize;
    found.push_back({origins[at], std::max<std::size_t>(to, origins[at] + 1)});
    at = end;
  }
  return found;
}

}  // namespace maravel
