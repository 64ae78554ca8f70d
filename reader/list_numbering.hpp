// Running list counters and the list marker of one paragraph.
//
// A document marks list paragraphs with attributes (numbered or bulleted, a
// list identifier, a level, per-level format names) but stores no marker
// text. ListNumbering keeps one counter per list identifier and level while
// the builder walks a region (body, header or footer) in document order, and
// writes each list paragraph's marker: a decimal, Roman or Turkish-letter
// numeral with its punctuation, or a bullet sign.
//
// One object serves one region of one parse; it is not safe to share between
// threads. Nothing here fails: unusable attributes take their defaults.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace maravel {

class ListNumbering {
 public:
  // Deeper "listlevel" values are read as this level, so a hostile level
  // cannot make a counter list of that length. Real documents stay below 10.
  static constexpr std::int64_t kMaxListLevel = 64;

  // The 29 letters of the Turkish alphabet, each a UTF-8 string.
  static const std::vector<std::string> upperLetters;
  static const std::vector<std::string> lowerLetters;

  // Answers the value of a paragraph property (lower-case key), or nullptr.
  using PropertyLookup = std::function<const std::string*(std::string_view key)>;

  // The marker step for one paragraph: nothing when the paragraph is neither
  // numbered nor bulleted (counters untouched); otherwise advances the
  // counter of its list and level and returns the marker text. Counters
  // saturate at the int64 limits instead of overflowing.
  std::optional<std::string> marker(const PropertyLookup& property);

  // Upper-case Roman numeral; numbers below 1 or above 3999 in decimal.
  static std::string roman(std::int64_t number);

  // Bijective numbering over `alphabet` (1 = first letter, N+1 = two
  // letters); numbers below 1 count as 1; an empty alphabet gives "".
  static std::string letters(std::int64_t number, const std::vector<std::string>& alphabet);

 private:
  std::int64_t advance(const std::string& listId, std::int64_t level, const std::string* numberSet);

  std::unordered_map<std::string, std::vector<std::int64_t>> counters_;
};

}  // namespace maravel
