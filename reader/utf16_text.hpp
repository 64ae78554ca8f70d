// The text block as its runs address it: by UTF-16 code unit offsets, while
// the text stays UTF-8.
//
// A slice is exactly what converting the whole text to UTF-16, taking those
// units and converting them back gives: a surrogate pair cut in two leaves
// U+FFFD for the half inside the slice. Converting the whole text would
// double its memory and every run would be converted back; here a slice is
// found from a checkpoint every kStride units (or from where the last slice
// ended, since runs mostly come in order) and copied as it is.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace maravel {

class UTF16Text {
 public:
  static constexpr std::size_t kStride = 128;

  // Invalid UTF-8 is read as text::decodeUTF8Lossy reads it.
  explicit UTF16Text(std::string utf8);

  // The length in UTF-16 code units.
  std::size_t size() const { return units_; }

  // Whether the unit at `index` (< size()) is the first half of a pair.
  bool isHighSurrogate(std::size_t index);

  // The text, left empty.
  std::string take() && { return std::move(text_); }

  // The units from `start` on, `count` of them (start + count <= size()), as UTF-8.
  std::string slice(std::size_t start, std::size_t count);

 private:
  // A code point of the text: where its bytes start and its first unit.
  struct Position {
    std::size_t byte = 0;
    std::size_t unit = 0;
  };

  // The code point holding unit `unit` (the end of the text for size()).
  Position locate(std::size_t unit);
  std::size_t unitsAt(std::size_t byte) const;
  std::size_t bytesAt(std::size_t byte) const;
  // Sets the checkpoints and the length; false (and left half done) at the
  // first invalid sequence.
  bool index();

  std::string text_;
  std::size_t units_ = 0;
  std::vector<Position> checkpoints_;  // the code point holding unit i * kStride
  Position cursor_;                    // where the last look-up ended
};

}  // namespace maravel
