#include "Maravel/text_search.hpp"

#include <algorithm>

namespace maravel {

TextSearch::TextSearch(std::string_view needle) : needle_(FoldedText::fold(needle)) {}

std::vector<TextRange> TextSearch::find(std::string_view text) const { return find(FoldedText(text)); }

std::vector<TextRange> TextSearch::find(const FoldedText& text) const {
  std::vector<TextRange> found;
  const std::string& folded = text.folded();
  if (needle_.empty() || folded.empty()) return found;
  for (std::size_t at = folded.find(needle_); at != std::string::npos; at = folded.find(needle_, at)) {
    const std::size_t end = at + needle_.size();
    const std::size_t from = text.origin(at);
    found.push_back({from, std::max<std::size_t>(text.origin(end), from + 1)});
    at = end;
  }
  return found;
}

}  // namespace maravel
