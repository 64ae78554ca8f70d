// The Unicode bidirectional algorithm (ICU's ubidi) for paper, as the
// browser applies it to the page's paragraphs: left to right at their base
// (paragraph level 0), explicit embeddings, overrides and isolates obeyed,
// so that "tutar: U+202E 00.005 U+202C TL" reads "tutar: 500.00 TL" and
// Arabic and Hebrew run from right to left.
//
// Pure functions; safe on any thread. Nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace maravel::breaks {

class BidiLevels {
 public:
  // A paragraph longer than this many bytes keeps its logical order: no
  // document's paragraph comes near it, and the algorithm's tables cost
  // several times the text's size in memory.
  static constexpr std::size_t kMaxBytes = std::size_t{4} << 20;

  // The embedding level of each byte of `text` (UTF-8; a byte of an invalid
  // sequence reads as U+FFFD): even left to right, odd right to left.
  // Nothing when every level is 0: the text holds no right-to-left
  // character (Hebrew, Arabic and the other right-to-left scripts) and no
  // bidirectional control; such text, nearly all text, is passed over
  // byte by byte without reaching ICU. Nothing too past kMaxBytes or when
  // ICU fails.
  static std::optional<std::vector<std::uint8_t>> of(std::string_view text);

  // The order in which items of the given levels are shown from left to
  // right (the reordering of the algorithm's rule L2): the logical index
  // of each item, leftmost first.
  static std::vector<std::size_t> visualOrder(const std::vector<std::uint8_t>& levels);
};

}  // namespace maravel::breaks
