#include "reader/list_numbering.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace maravel {
namespace {

// The markers of block lists are in the liste-* golden documents.
TEST(ListNumberingFormats, RomanNumeralsAndBijectiveTurkishLetters) {
  const std::int64_t max = std::numeric_limits<std::int64_t>::max();
  // clang-format off
  const std::pair<std::int64_t, const char*> romans[] = {
      {0, "0"}, {-4, "-4"}, {4000, "4000"}, {1994, "MCMXCIV"}, {3999, "MMMCMXCIX"}, {4, "IV"},
      {max, "9223372036854775807"}
  };
  // clang-format on
  for (const auto& [n, text] : romans) EXPECT_EQ(ListNumbering::roman(n), text) << n;
  const auto& upper = ListNumbering::upperLetters;
  ASSERT_EQ(upper.size(), 29u);
  ASSERT_EQ(ListNumbering::lowerLetters.size(), 29u);
  // clang-format off
  const std::pair<std::int64_t, const char*> letters[] = {
      {0, "A"}, {1, "A"}, {29, "Z"}, {30, "AA"}, {58, "AZ"}, {59, "BA"}, {870, "ZZ"}, {871, "AAA"}, {4, "Ç"},
      {9, "Ğ"}, {10, "H"}, {12, "İ"}
  };
  // clang-format on
  for (const auto& [n, text] : letters) EXPECT_EQ(ListNumbering::letters(n, upper), text) << n;
  EXPECT_EQ(ListNumbering::letters(11, ListNumbering::lowerLetters), "ı");
  EXPECT_EQ(ListNumbering::letters(12, ListNumbering::lowerLetters), "i");
  EXPECT_EQ(ListNumbering::letters(5, {}), "");
  EXPECT_FALSE(ListNumbering::letters(max, upper).empty());
}

}  // namespace
}  // namespace maravel
