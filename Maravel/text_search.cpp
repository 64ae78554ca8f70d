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
      out += foldCharacter(text.substr(at, length));
    }
    if (origins != nullptr)
      origins->insert(origins->end(), out.size() - before, static_cast<std::uint32_t>(at));
    at += length;
  }
  return out;
}

std::vector<TextRange> TextSearch::find(std::string_view text) const {
  std::vector<TextRange> found;
  if (needle_.empty() || text.empty()) return found;
  std::vector<std::uint32_t> origins;
  const std::string folded = fold(text, &origins);
  for (std::size_t at = folded.find(needle_); at != std::string::npos; at = folded.find(needle_, at)) {
    const std::size_t end = at + needle_.size();
    const std::size_t to = end < folded.size() ? origins[end] : text.size();
    found.push_back({origins[at], std::max<std::size_t>(to, origins[at] + 1)});
    at = end;
  }
  return found;
}

}  // namespace maravel
