// A text in the form find compares (every letter lower case, the Turkish
// way: TextSearch), with where each of its bytes came from in the text.
//
// Most characters fold to as many bytes as they had; the map keeps only the
// characters that do not, so that a thousand pages of text cost their
// folded bytes and little more. Pure and safe on any thread; invalid UTF-8
// folds as one U+FFFD a byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace maravel {

class FoldedText {
 public:
  explicit FoldedText(std::string_view text);

  const std::string& folded() const { return folded_; }

  // The offset in the text of the character that byte `at` of folded()
  // came from; the text's size for folded().size().
  std::size_t origin(std::size_t at) const;

  // The folded form of `text` alone.
  static std::string fold(std::string_view text);

 private:
  // A character whose folded form differs in length from it.
  struct Step {
    std::uint32_t folded = 0;  // its first byte in folded_
    std::uint32_t text = 0;    // and in the text
    std::uint8_t foldedBytes = 0;
    std::uint8_t textBytes = 0;
  };
  template <class Visit>
  static void foldEach(std::string_view text, std::string& out, Visit&& changed);

  std::string folded_;
  std::vector<Step> steps_;
  std::size_t textSize_ = 0;
};

}  // namespace maravel
