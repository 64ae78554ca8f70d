// Where a line of text may break, by the Unicode line breaking rules as the
// browser applies them (ICU's line break iterator, Turkish locale): after
// spaces, after hyphens that are not followed by a digit, around pictures
// and boxes (U+FFFC), never inside a number such as "2026/101".
//
// A LineBreaks object keeps one iterator for all the texts it is asked
// about; it belongs to one thread. Nothing throws: when the rules cannot be
// loaded there are no break opportunities.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace maravel::breaks {

class LineBreaks {
 public:
  LineBreaks();
  ~LineBreaks();
  LineBreaks(const LineBreaks&) = delete;
  LineBreaks& operator=(const LineBreaks&) = delete;

  // The byte offsets into `text` (UTF-8) before which a line may break, in
  // ascending order, each above 0 and below text.size(). Invalid UTF-8 is
  // read as U+FFFD.
  std::vector<std::size_t> opportunities(std::string_view text);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace maravel::breaks
