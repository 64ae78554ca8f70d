// Find as a Turkish reader expects it: letters match whatever their case,
// with the Turkish pairs of dotted and dotless i ("İ" with "i", "I" with
// "ı"), so that "ışık" finds "IŞIK" and "istanbul" finds "İSTANBUL" but
// not "ISTANBUL".
//
// Pure and safe on any thread; invalid UTF-8 folds as one U+FFFD a byte
// (FoldedText).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Maravel/folded_text.hpp"

namespace maravel {

// A found range of bytes of the text searched, [from, to).
struct TextRange {
  std::size_t from = 0;
  std::size_t to = 0;
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

class TextSearch {
 public:
  // Searches for `needle`, folded; white space at its ends counts.
  explicit TextSearch(std::string_view needle);

  bool empty() const { return needle_.empty(); }

  // Where the needle occurs in `text`, in order and without overlaps; none
  // for an empty needle.
  std::vector<TextRange> find(std::string_view text) const;
  // The same in a text folded already.
  std::vector<TextRange> find(const FoldedText& text) const;

 private:
  std::string needle_;
};

}  // namespace maravel
