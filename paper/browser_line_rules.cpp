#include "paper/browser_line_rules.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

namespace maravel {

namespace {

constexpr double kUnit = 64;  // the browser lays out in 1/64 pixel

// Between two ASCII characters from "!" to DEL the browser breaks only
// where this table says so: after a character of `after`, before one of
// `before`. After any other character it never breaks.
struct PairRule {
  std::string_view after;
  std::string_view before;
};

constexpr PairRule kPairRules[] = {
    {"!\"#%&)*+,.:;=>\\]|}~", "([{<"},
    {"-", "\"#%&'(*+-0123456789<=>@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\^_`abcdefghijklmnopqrstuvwxyz{|~"},
    {"?", "#$%&(*+-0123456789<=>@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\^_`abcdefghijklmnopqrstuvwxyz{|~"},
};

// The pair table as one bit per pair of ASCII characters, looked up once a
// character instead of searched.
struct PairTable {
  std::uint64_t bits[128][2] = {};
  constexpr PairTable() {
    for (const PairRule& rule : kPairRules)
      for (char last : rule.after)
        for (char next : rule.before) bits[last & 0x7F][(next >> 6) & 1] |= std::uint64_t{1} << (next & 63);
  }
  constexpr bool breaks(char32_t last, char32_t next) const {
    return (bits[last][next >> 6] >> (next & 63)) & 1;
  }
};

constexpr PairTable kPairTable;

constexpr char32_t kNoBreakSpace = 0xA0;
constexpr char32_t kObjectReplacement = 0xFFFC;

bool isAsciiLetter(char32_t c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool isTableCharacter(char32_t c) { return c >= '!' && c <= 0x7F; }
bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool isAlphanumeric(char32_t c) { return isDigit(c) || isAsciiLetter(c); }

// Characters the Unicode rules decide about: all beyond ASCII but the
// no-break space.
bool needsUnicodeRules(char32_t c) { return c > 0x7F && c != kNoBreakSpace; }

bool pairBreaks(char32_t beforeLast, char32_t last, char32_t next) {
  // A hyphen before a digit is a minus sign unless a letter or digit
  // precedes it ("ABC-123", "2024-1234").
  if (last == '-' && isDigit(next)) return isAlphanumeric(beforeLast);
  return kPairTable.breaks(last, next);
}

// The few line breaking classes whose pairs the Unicode rules settle
// without looking further along the text: letters (AL), digits (NU), the
// infix separators . , : ; (IS) and the box that stands for a tab or a
// picture (CB). No rule that spans more than the two characters at a
// position starts or ends with these classes (the rules that look across
// spaces meet no space here, the numeric rule never ends in a letter), so
// the pair alone decides, and the iterator need not run over text made of
// them.
enum class PairClass { other, letter, digit, infix, box };

PairClass pairClass(char32_t c) {
  if (isAsciiLetter(c)) return PairClass::letter;
  if (isDigit(c)) return PairClass::digit;
  if (c == '.' || c == ',' || c == ':' || c == ';') return PairClass::infix;
  if (c == kObjectReplacement) return PairClass::box;
  // The letters of Latin-1 and Latin Extended-A (Turkish among them) are
  // all letters to the rules; the two signs among them are not.
  if (c >= 0xC0 && c <= 0x17F && c != 0xD7 && c != 0xF7) return PairClass::letter;
  return PairClass::other;
}

// Whether the Unicode rules break between `last` and `next`, when the pair
// decides it: letters and digits hold together, a separator holds to what
// it follows and to a letter after it, and a box stands apart.
std::optional<bool> knownUnicodeBreak(char32_t last, char32_t next) {
  const PairClass a = pairClass(last);
  const PairClass b = pairClass(next);
  if (a == PairClass::other || b == PairClass::other) return std::nullopt;
  if (b == PairClass::infix) return false;
  if (a == PairClass::box || b == PairClass::box) return true;
  if (a == PairClass::infix) return b == PairClass::letter ? std::optional<bool>(false) : std::nullopt;
  return false;
}

// A letter to the pair rules (PairClass::letter): nothing breaks between two.
bool isWordLetter(char32_t c) {
  return isAsciiLetter(c) || (c >= 0xC0 && c <= 0x17F && c != 0xD7 && c != 0xF7);
}
// Whether a letter of Latin-1 or Latin Extended-A (two bytes of UTF-8)
// starts at `at`; then `letter` is it and `after` the offset past it, as
// decode() gives them.
bool twoByteLetterAt(std::string_view text, std::size_t at, char32_t& letter, std::size_t& after) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0xC3 || lead > 0xC5 || at + 1 >= text.size()) return false;
  const auto trail = static_cast<unsigned char>(text[at + 1]);
  if ((trail & 0xC0) != 0x80) return false;
  const char32_t code = (static_cast<char32_t>(lead & 0x1F) << 6) | (trail & 0x3F);
  if (code == 0xD7 || code == 0xF7) return false;
  letter = code;
  after = at + 2;
  return true;
}
// The code point at `at` and the offset after it; malformed bytes count as
// one character each, beyond ASCII.
std::pair<char32_t, std::size_t> decode(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {lead, at + 1};
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length == 1 || at + length > text.size()) return {0xFFFD, at + 1};
  char32_t c = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if ((byte & 0xC0) != 0x80) return {0xFFFD, at + 1};
    c = (c << 6) | (byte & 0x3F);
  }
  return {c, at + length};
}

}  // namespace

std::vector<std::size_t> BrowserLineRules::opportunities(
    std::string_view text, const std::function<std::vector<std::size_t>()>& unicodeOpportunities) {
  std::vector<std::size_t> out;
  if (text.empty()) return out;
  out.reserve(text.size() / 4 + 1);  // a word and its space are rarely shorter
  std::vector<std::size_t> unicode;
  bool unicodeAsked = false;
  auto nextUnicode = unicode.begin();
  auto [last, at] = decode(text, 0);
  char32_t beforeLast = 0;
  while (at < text.size()) {
    if (isWordLetter(last)) {
      // Nothing breaks between two letters of a word (ASCII, Latin-1 and
      // Latin Extended-A, Turkish among them), the most common pair by far:
      // the word's letters are passed over at once.
      std::size_t end = at;
      char32_t previous = beforeLast;
      char32_t current = last;
      while (end < text.size()) {
        const auto byte = static_cast<unsigned char>(text[end]);
        char32_t letter = byte;
        std::size_t after = end + 1;
        if (!isAsciiLetter(byte) && !twoByteLetterAt(text, end, letter, after)) break;
        previous = current;
        current = letter;
        end = after;
      }
      if (end > at) {
        beforeLast = previous;
        last = current;
        at = end;
        continue;
      }
    }
    const auto lead = static_cast<unsigned char>(text[at]);
    const auto [next, after] =
        lead < 0x80 ? std::pair<char32_t, std::size_t>(lead, at + 1) : decode(text, at);
    bool breaks = false;
    if (isAsciiLetter(last) && isAsciiLetter(next)) {
      // nothing breaks inside a word: the most common pair by far
    } else if (last == ' ') {
      breaks = next != ' ';
    } else if (next == ' ') {
      breaks = false;
    } else if (isTableCharacter(last) && isTableCharacter(next)) {
      breaks = pairBreaks(beforeLast, last, next);
    } else if (needsUnicodeRules(last) || needsUnicodeRules(next)) {
      if (const std::optional<bool> known = knownUnicodeBreak(last, next)) {
        breaks = *known;
      } else {
        if (!unicodeAsked) {
          unicode = unicodeOpportunities();
          unicodeAsked = true;
          nextUnicode = unicode.begin();
        }
        nextUnicode = std::lower_bound(nextUnicode, unicode.end(), at);
        breaks = nextUnicode != unicode.end() && *nextUnicode == at;
      }
    }
    if (breaks) out.push_back(at);
    beforeLast = last;
    last = next;
    at = after;
  }
  return out;
}

double BrowserLineRules::textPixels(double points, double size) {
  // The font's pixel size is cut down to 1/64 pixel before glyphs are
  // measured; a small margin keeps exact products such as 12.5 x 1.6 whole.
  const double pixelSize = size * kPixelsPerPoint;
  const double setSize = std::floor(pixelSize * kUnit + 1e-6) / kUnit;
  const double scale = pixelSize > 0 && std::isfinite(setSize) ? setSize / pixelSize : 1;
  return std::ceil(points * kPixelsPerPoint * scale * kUnit - 1e-6) / kUnit;
}

double BrowserLineRules::pixels(double points) {
  return std::floor(points * kPixelsPerPoint * kUnit + 1e-6) / kUnit;
}

bool BrowserLineRules::fits(double used, double available) { return used <= available + 1 / kUnit; }

}  // namespace maravel
