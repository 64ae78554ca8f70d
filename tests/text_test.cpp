#include "platform/text/text.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "tools/zip_writer.hpp"

namespace maravel::text {
namespace {

using maravel::testing::bytes;

std::vector<std::uint8_t> raw(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (const int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

// --- Decoding ---------------------------------------------------------------

TEST(DecodingTest, Utf8RejectsOverlongSurrogatesAndOutOfRange) {
  EXPECT_TRUE(isValidUTF8(std::string_view("Kar\xC5\x9F\xC4\xB1")));
  // overlong "/", a surrogate, above U+10FFFF, truncated
  for (const std::string_view bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ab\xE2\x82"})
    EXPECT_FALSE(isValidUTF8(bad)) << bad;
  EXPECT_EQ(decodeUTF8(bytes("\xC3\xA7")), "\xC3\xA7");
  EXPECT_EQ(decodeUTF8(bytes("\xFF")), std::nullopt);
}

TEST(DecodingTest, LossyReplacesEachMaximalBadSubpart) {
  EXPECT_EQ(decodeUTF8Lossy("a\xFF|"), "a\uFFFD|");
  EXPECT_EQ(decodeUTF8Lossy("\xE2\x82|"), "\uFFFD|");  // a truncated sequence is one replacement
}

TEST(DecodingTest, Windows1254DecodesTurkishLettersAndRejectsUnassignedBytes) {
  // ğ ü ş ı ö ç İ Ğ Ş
  EXPECT_EQ(decodeWindows1254(raw({0xF0, 0xFC, 0xFE, 0xFD, 0xF6, 0xE7, 0xDD, 0xD0, 0xDE})), "ğüşıöçİĞŞ");
  EXPECT_EQ(decodeWindows1254(raw({0x80, 0x9F})), "€Ÿ");
  for (const int b : {0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E}) {
    EXPECT_EQ(decodeWindows1254(raw({'a', b})), std::nullopt) << b;
  }
}

TEST(DecodingTest, Latin1AcceptsEveryByteAndAsciiOnlySevenBits) {
  EXPECT_EQ(decodeLatin1(raw({'A', 0xE9, 0x00})), std::string("A\xC3\xA9\0", 4));
  EXPECT_EQ(decodeASCII(bytes("20240101")), "20240101");
  EXPECT_EQ(decodeASCII(raw({'1', 0x80})), std::nullopt);
}

TEST(DecodingTest, Utf16AndUtf32InEitherByteOrderOrNothing) {
  using F = UnicodeForm;
  const std::pair<F, std::vector<std::uint8_t>> good[] = {
      // "ğ😀" each way
      {F::utf16LE, raw({0x1F, 0x01, 0x3D, 0xD8, 0x00, 0xDE})},
      {F::utf16BE, raw({0x01, 0x1F, 0xD8, 0x3D, 0xDE, 0x00})},
      {F::utf32LE, raw({0x1F, 0x01, 0, 0, 0x00, 0xF6, 0x01, 0})},
      {F::utf32BE, raw({0, 0, 0x01, 0x1F, 0, 0x01, 0xF6, 0x00})}};
  for (const auto& [form, in] : good) EXPECT_EQ(decodeUnicode(in, form), "ğ😀");
  const std::pair<F, std::vector<std::uint8_t>> bad[] = {
      {F::utf16LE, raw({'a'})},                 // half a unit
      {F::utf16LE, raw({0x3D, 0xD8, 'a', 0})},  // unpaired high surrogate
      {F::utf16BE, raw({0xDE, 0x00})},          // lone low surrogate
      {F::utf32LE, raw({0, 0, 0x11, 0})},       // above U+10FFFF
      {F::utf32BE, raw({0, 0, 0xD8, 0x00})}};   // a surrogate
  for (const auto& [form, in] : bad) EXPECT_EQ(decodeUnicode(in, form), std::nullopt);
}

// --- Case mapping -------------------------------------------------------------

TEST(CaseMappingTest, DefaultUnicodeMappingBothWays) {
  EXPECT_EQ(lowercased("LeftMargin"), "leftmargin");
  // Not the Turkish locale: dotted capital I keeps its dot as a combining mark.
  EXPECT_EQ(lowercased("LEFTMARG\xC4\xB0N"), "leftmargi\xCC\x87n");
  EXPECT_EQ(lowercased("I\xC4\x9E\xC3\x9C\xC5\x9E"), "iğüş");
  EXPECT_EQ(uppercased("straße\uFB01"), "STRASSEFI");  // one to many
  EXPECT_EQ(uppercased("\xC4\xB1i"), "II");            // dotless ı and i both become I
}

// --- White space ----------------------------------------------------------------

TEST(WhitespaceTest, TrimOrRemoveSpaceSeparatorsWithOrWithoutLineBreaks) {
  EXPECT_EQ(trimWhitespaceAndNewlines("\xC2\xA0\t x y\r\n\xE2\x80\xA8\xC2\x85"), "x y");
  EXPECT_EQ(trimWhitespaceAndNewlines("\xE2\x80\x83\xE2\x80\xA9"), "");
  EXPECT_EQ(trimWhitespace("\xC2\xA0 12.5\t"), "12.5");
  EXPECT_EQ(trimWhitespace("\n5\n"), "\n5\n");
  EXPECT_EQ(trimWhitespace("\xE2\x80\xA8"), "\xE2\x80\xA8");
}

// --- Graphemes --------------------------------------------------------------------

TEST(GraphemeTest, CombiningMarkCountsOnce) {
  const std::string text = "e\xCC\x81tat";  // é as e + U+0301
  EXPECT_EQ(prefixGraphemes(text, 1), "e\xCC\x81");
  EXPECT_EQ(prefixGraphemes(text, 2), "e\xCC\x81t");
  EXPECT_EQ(prefixGraphemes(text, 10), text);
  EXPECT_EQ(prefixGraphemes(text, 0), "");
  EXPECT_EQ(prefixGraphemes("\r\nx", 1), "\r\n");
}

// --- Base64 -------------------------------------------------------------------------

TEST(Base64Test, SkipsJunkRejectsBadLengthOrPaddingAndRoundTrips) {
  EXPECT_EQ(decodeBase64("TW\nFu\t"), bytes("Man"));
  EXPECT_EQ(decodeBase64("T W_F-u*"), bytes("Man"));
  EXPECT_EQ(decodeBase64("TQ=="), bytes("M"));
  for (const std::string_view bad : {"TWFuT", "TQ=a", "T===", "TQ==TWFu", ""}) {
    EXPECT_TRUE(decodeBase64(bad).empty()) << bad;
  }
  for (const std::string_view s : {"", "M", "Ma", "Man", "Mana"}) {
    EXPECT_EQ(decodeBase64(encodeBase64(bytes(s))), bytes(s)) << s;
  }
  EXPECT_EQ(encodeBase64(bytes("Ma")), "TWE=");
}

// --- Numbers --------------------------------------------------------------------------

TEST(NumberTest, ParseIntegerTakesSignsAndDigitsOnly) {
  for (const auto& [input, value] : {std::pair<std::string_view, std::int64_t>{"+2", 2},
                                     {"-16777216", -16777216},
                                     {"9223372036854775807", INT64_MAX}})
    EXPECT_EQ(parseInteger(input), value) << input;
  for (const std::string_view bad :
       {"", "+", "-", "+-1", "++1", " 1", "1 ", "1.0", "0x10", "１", "9223372036854775808"}) {
    EXPECT_EQ(parseInteger(bad), std::nullopt) << bad;
  }
}

TEST(NumberTest, ParseNumberTakesDecimalLiteralsOnly) {
  // clang-format off
  const std::pair<std::string_view, double> good[] = {
      {"+2", 2}, {"-0.5", -0.5}, {"1e3", 1000}, {".5", 0.5}, {"42.52", 42.52}, {"1e-400", 0}
  };
  // clang-format on
  for (const auto& [input, value] : good) EXPECT_EQ(parseNumber(input), value) << input;
  for (const std::string_view bad : {"inf", "-inf", "nan", "infinity", "0x10", " 5", "5 ", "1e999", "-1e999",
                                     "", "+", "+-1", "5pt", "1,5"}) {
    EXPECT_EQ(parseNumber(bad), std::nullopt) << bad;
  }
}

// --- Patterns ---------------------------------------------------------------------------

constexpr std::string_view kOpen = "<entry key=\"uyapdogrulamakodu\">";
constexpr std::string_view kClose = "</entry>";

TEST(PatternTest, FindsTheFirstMatchThatStaysOnOneLine) {
  const std::string open(kOpen), close(kClose);
  const std::string text = "<x>\n" + open + "  AbC123  " + close + close;
  EXPECT_EQ(findBetweenOnOneLine(text, kOpen, kClose), open + "  AbC123  " + close);
  for (const std::string_view br : {"\n", "\r", "\v", "\f", "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
    EXPECT_EQ(findBetweenOnOneLine(open + "ab" + std::string(br) + "cd" + close, kOpen, kClose),
              std::nullopt);
  }
  // An open without a close on its line gives way to the next open.
  EXPECT_EQ(findBetweenOnOneLine(open + "first\n" + open + "second" + close, kOpen, kClose),
            open + "second" + close);
}

TEST(PatternTest, DigitRunTakesTheLeftmostElevenWithAnOptionalPrefix) {
  const struct {
    std::string_view text, prefix;
    std::optional<std::string> run;
  } cases[] = {{"no 12345678901 here", "", "12345678901"},
               {"123456789012345", "", "12345678901"},
               {"1234567890", "", std::nullopt},
               {"12345 67890123", "", std::nullopt},
               {"serial TR12345678901", "TR", "TR12345678901"},
               {"TR123 98765432109", "TR", "98765432109"},
               {"TRTR12345678901", "TR", "TR12345678901"},
               {"TR1234567890", "TR", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(findDigitRun(c.text, 11, c.prefix), c.run) << c.text;
  EXPECT_EQ(findDigitRun("\xD9\xA1\xD9\xA2", 2), std::nullopt);  // Arabic-Indic digits are not [0-9]
}

TEST(TextWordTest, AWordNeedsNonLettersOnBothSides) {
  // A later occurrence may stand alone; letters beyond ASCII and combining
  // marks belong to the word.
  for (const std::string_view text : {"KAMU SM ROOT CA", "CA", "Kurgu-CA 2", "CANAN CA"})
    EXPECT_TRUE(containsWord(text, "CA")) << text;
  for (const std::string_view text : {"CANAN YILMAZ", "MÜCAHİT", "ÇCA", "CA\u0307"})
    EXPECT_FALSE(containsWord(text, "CA")) << text;
  EXPECT_FALSE(containsWord("ABC", ""));
}

}  // namespace
}  // namespace maravel::text
