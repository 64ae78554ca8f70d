// Text facilities of the reader and the writers: decoders, Unicode case
// mapping, white space, graphemes, base64, number parsing and the few
// patterns the reader searches for.
//
// Every function is pure and safe on any thread. Strings are UTF-8; a
// function that decodes bytes reports failure with an empty optional.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace maravel::text {

using Bytes = std::span<const std::uint8_t>;

// --- Decoding -------------------------------------------------------------

bool isValidUTF8(std::string_view bytes);
bool isValidUTF8(Bytes bytes);

// The length of the valid UTF-8 sequence that starts at `pos` (below
// s.size()), by the rules of isValidUTF8; 0 when none starts there.
std::size_t validSequenceLength(std::string_view s, std::size_t pos);

// The bytes as a string when they are valid UTF-8 (no surrogates, no overlong
// forms, nothing above U+10FFFF); nothing otherwise.
std::optional<std::string> decodeUTF8(Bytes bytes);

// Every invalid sequence replaced by U+FFFD.
std::string decodeUTF8Lossy(std::string_view bytes);

// Windows-1254 (Turkish). Fails on the byte values the code page leaves
// unassigned (0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E).
std::optional<std::string> decodeWindows1254(Bytes bytes);

// Whether decodeWindows1254 takes the bytes.
bool isWindows1254(Bytes bytes);

// ISO-8859-9 (Latin-5, Turkish) accepts every byte: Latin-1 with Ğ, İ, Ş,
// ğ, ı, ş in place of Ð, Ý, Þ, ð, ý, þ.
std::string decodeISO88599(Bytes bytes);

// ISO Latin-1 accepts every byte.
std::string decodeLatin1(Bytes bytes);

// ASCII: fails on any byte above 0x7F.
std::optional<std::string> decodeASCII(Bytes bytes);

// UTF-16 and UTF-32 bytes in the given byte order (without a byte-order
// mark); nothing for a length that is not a whole number of units, an
// unpaired surrogate or a value above U+10FFFF.
enum class UnicodeForm { utf16LE, utf16BE, utf32LE, utf32BE };
std::optional<std::string> decodeUnicode(Bytes bytes, UnicodeForm form);

// UTF-8 to UTF-16 code units. The input is assumed valid; invalid sequences
// become U+FFFD.
std::u16string toUTF16(std::string_view utf8);

// UTF-16 code units to UTF-8; every unpaired surrogate becomes U+FFFD.
std::string fromUTF16(std::u16string_view units);

// --- Case mapping (Unicode default mapping, no locale) ---------------------
// Full mappings without context: "İ" lower-cases to "i" + U+0307, "ß"
// upper-cases to "SS". Invalid UTF-8 comes out as U+FFFD.

std::string lowercased(std::string_view s);
std::string uppercased(std::string_view s);

// --- White space -----------------------------------------------------------

// Trims the Unicode space separators (Zs), tab, LF, VT, FF, CR, U+0085,
// U+2028 and U+2029 from both ends.
std::string_view trimWhitespaceAndNewlines(std::string_view s);

// Trims the Unicode space separators (Zs) and tab from both ends; line breaks
// stay.
std::string_view trimWhitespace(std::string_view s);

// Whether `word` stands in `s` as a word of its own: each occurrence is
// checked for a letter (or a mark attached to one) directly before or after
// it; an occurrence with neither counts.
bool containsWord(std::string_view s, std::string_view word);

// --- Graphemes -------------------------------------------------------------

// The first `count` user-perceived characters (extended grapheme clusters).
std::string prefixGraphemes(std::string_view s, std::size_t count);

// --- Base64 ----------------------------------------------------------------

// Standard base64; characters outside the alphabet are skipped. Returns an
// empty vector when what remains is not well-formed base64.
std::vector<std::uint8_t> decodeBase64(std::string_view s);
std::string encodeBase64(Bytes bytes);

// --- Numbers ---------------------------------------------------------------

// An optional "+" or "-" followed by ASCII digits and nothing else, within
// the range of a signed 64-bit integer.
std::optional<std::int64_t> parseInteger(std::string_view s);

// A finite decimal floating-point number making up the whole string: an
// optional sign, digits with an optional point, an optional exponent. No
// white space, no hexadecimal, no "inf" or "nan"; a value too large for a
// double is rejected, one too small to represent becomes (signed) zero.
std::optional<double> parseNumber(std::string_view s);

// --- Patterns --------------------------------------------------------------

// The first match of open(.*?)close where "." matches no line-break
// character (LF, VT, FF, CR, U+0085, U+2028, U+2029): the whole match, tags
// included. An `open` without a `close` on its line lets a later `open` match.
std::optional<std::string_view> findBetweenOnOneLine(std::string_view s, std::string_view open,
                                                     std::string_view close);

// The first (leftmost) match of [0-9]{count}, or of (?:prefix)?[0-9]{count}
// when a prefix is given: the whole match. ASCII digits only; a longer run
// yields its first `count` digits.
std::optional<std::string_view> findDigitRun(std::string_view s, std::size_t count,
                                             std::string_view optionalPrefix = {});

}  // namespace maravel::text
