#include "reader/list_numbering.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "platform/text/text.hpp"

namespace maravel {

const std::vector<std::string> ListNumbering::upperLetters = {
    "A", "B", "C", "Ç", "D", "E", "F", "G", "Ğ", "H", "I", "İ", "J", "K", "L",
    "M", "N", "O", "Ö", "P", "R", "S", "Ş", "T", "U", "Ü", "V", "Y", "Z"};

const std::vector<std::string> ListNumbering::lowerLetters = {
    "a", "b", "c", "ç", "d", "e", "f", "g", "ğ", "h", "ı", "i", "j", "k", "l",
    "m", "n", "o", "ö", "p", "r", "s", "ş", "t", "u", "ü", "v", "y", "z"};

namespace {

constexpr std::array<std::string_view, 6> kNumberedDefaults = {
    "NUMBER_TYPE_NUMBER_DOT", "NUMBER_TYPE_CHAR_SMALL_DOT", "NUMBER_TYPE_ROMAN_SMALL_DOT",
    "PAREN_NUMBER",           "PAREN_CHAR_SMALL",           "PAREN_ROMAN_SMALL"};

constexpr std::array<std::string_view, 3> kBulletedDefaults = {"BULLET_TYPE_ELLIPSE", "BULLET_TYPE_RECTANGLE",
                                                               "BULLET_TYPE_RECTANGLE_D"};

struct RomanSymbol {
  std::int64_t value;
  std::string_view symbol;
};

constexpr std::array<RomanSymbol, 13> kRomanTable = {{{1000, "M"},
                                                      {900, "CM"},
                                                      {500, "D"},
                                                      {400, "CD"},
                                                      {100, "C"},
                                                      {90, "XC"},
                                                      {50, "L"},
                                                      {40, "XL"},
                                                      {10, "X"},
                                                      {9, "IX"},
                                                      {5, "V"},
                                                      {4, "IV"},
                                                      {1, "I"}}};

bool isTrue(const std::string* value) { return value != nullptr && *value == "true"; }

bool contains(std::string_view name, std::string_view part) {
  return name.find(part) != std::string_view::npos;
}

std::int64_t levelOf(const std::string* value) {
  if (value == nullptr) return 1;
  const std::optional<std::int64_t> level = text::parseInteger(*value);
  if (!level || *level <= 1) return 1;
  return std::min(*level, ListNumbering::kMaxListLevel);
}

std::int64_t saturatingIncrement(std::int64_t value) {
  return value == std::numeric_limits<std::int64_t>::max() ? value : value + 1;
}

std::string formatName(const ListNumbering::PropertyLookup& property, std::int64_t level, bool numbered) {
  if (const std::string* name = property("seclisttypelevel" + std::to_string(level))) return *name;
  if (level == 1) {
    const std::string* name = property(numbered ? "numbertype" : "bullettype");
    if (name != nullptr) return *name;
    return numbered ? std::string(kNumberedDefaults[0]) : std::string(kBulletedDefaults[0]);
  }
  const auto index = static_cast<std::size_t>(level - 1);
  if (numbered) return std::string(kNumberedDefaults[index % kNumberedDefaults.size()]);
  return std::string(kBulletedDefaults[index % kBulletedDefaults.size()]);
}

std::string bulletSign(std::string_view name) {
  if (contains(name, "RECTANGLE_D")) return "\u25AB";
  if (contains(name, "RECTANGLE")) return "\u25AA";
  if (contains(name, "ARROW")) return "\u27A4";
  if (contains(name, "DIAMOND")) return "\u25C6";
  if (contains(name, "TRIANGLE")) return "\u25BA";
  return "\u25CF";
}

std::string asciiLowercased(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string numeral(std::string_view name, std::int64_t n) {
  if (contains(name, "ROMAN_BIG")) return ListNumbering::roman(n);
  if (contains(name, "ROMAN")) return asciiLowercased(ListNumbering::roman(n));
  if (contains(name, "CHAR_BIG")) return ListNumbering::letters(n, ListNumbering::upperLetters);
  if (contains(name, "CHAR")) return ListNumbering::letters(n, ListNumbering::lowerLetters);
  return std::to_string(n);
}

std::string punctuated(std::string_view name, std::string numeralText) {
  if (name.starts_with("PAREN_")) return "(" + numeralText + ")";
  if (contains(name, "PARANTHESE")) return numeralText + ")";
  if (contains(name, "TRE")) return numeralText + "-";
  return numeralText + ".";
}

}  // namespace

std::optional<std::string> ListNumbering::marker(const PropertyLookup& property) {
  const bool numbered = isTrue(property("numbered"));
  const bool bulleted = isTrue(property("bulleted"));
  if (!numbered && !bulleted) return std::nullopt;

  const std::int64_t level = levelOf(property("listlevel"));
  const std::string* listId = property("listid");
  const std::int64_t n = advance(listId ? *listId : std::string(), level, property("numbersetted"));

  const std::string name = text::uppercased(formatName(property, level, numbered));
  if (name.starts_with("BULLET")) return bulletSign(name);
  return punctuated(name, numeral(name, n));
}

std::int64_t ListNumbering::advance(const std::string& listId, std::int64_t level,
                                    const std::string* numberSet) {
  std::vector<std::int64_t>& levels = counters_[listId];
  const auto index = static_cast<std::size_t>(level - 1);
  levels.resize(index + 1, 0);
  if (numberSet != nullptr) {
    if (const std::optional<std::int64_t> value = text::parseInteger(*numberSet)) levels[index] = *value;
  }
  levels[index] = saturatingIncrement(levels[index]);
  return levels[index];
}

std::string ListNumbering::roman(std::int64_t number) {
  if (number < 1 || number > 3999) return std::to_string(number);
  std::string result;
  for (const RomanSymbol& entry : kRomanTable) {
    while (number >= entry.value) {
      result += entry.symbol;
      number -= entry.value;
    }
  }
  return result;
}

std::string ListNumbering::letters(std::int64_t number, const std::vector<std::string>& alphabet) {
  if (alphabet.empty()) return {};
  const auto base = static_cast<std::uint64_t>(alphabet.size());
  auto remaining = static_cast<std::uint64_t>(number < 1 ? 1 : number);
  std::vector<std::string_view> reversed;
  while (remaining > 0) {
    const std::uint64_t k = remaining - 1;
    reversed.push_back(alphabet[static_cast<std::size_t>(k % base)]);
    remaining = k / base;
  }
  std::string result;
  for (auto it = reversed.rbegin(); it != reversed.rend(); ++it) result += *it;
  return result;
}

}  // namespace maravel
