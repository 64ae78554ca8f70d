// Byte decoders (UTF-8, UTF-16, UTF-32, Windows-1254, Latin-1, ASCII) and
// UTF-16 conversion.
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/text/byte_words.hpp"
#include "platform/text/text.hpp"
#include "platform/text/utf8_codec.hpp"

namespace maravel::text {

namespace {

using detail::appendUTF8;
using detail::decodeCodePoint;
using detail::kReplacementCharacter;

std::string_view asChars(Bytes bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

// Windows-1254 differs from Latin-1 in 0x80-0x9F and in six Turkish letters.
// 0 marks the bytes the code page leaves unassigned.
constexpr std::array<char16_t, 32> kWindows1254High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0,      0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0,      0x0178};

// ISO-8859-9 is Latin-1 with six Turkish letters; Windows-1254 is
// ISO-8859-9 with printable characters in 0x80-0x9F.
char32_t iso88599CodePoint(std::uint8_t b) {
  switch (b) {
    case 0xD0:
      return 0x011E;  // Ğ
    case 0xDD:
      return 0x0130;  // İ
    case 0xDE:
      return 0x015E;  // Ş
    case 0xF0:
      return 0x011F;  // ğ
    case 0xFD:
      return 0x0131;  // ı
    case 0xFE:
      return 0x015F;  // ş
    default:
      return b;
  }
}

char32_t windows1254CodePoint(std::uint8_t b) {
  if (b >= 0x80 && b <= 0x9F) return kWindows1254High[b - 0x80];
  return iso88599CodePoint(b);
}

}  // namespace

bool isValidUTF8(std::string_view bytes) {
  // The same rules as decodeCodePoint (no overlong forms, no surrogates,
  // nothing above U+10FFFF), unrolled: Turkish text mixes ASCII with
  // two-byte letters every few bytes, so the per-byte path is the hot one.
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto* const end = p + bytes.size();
  const auto continuation = [](std::uint8_t b) { return (b & 0xC0) == 0x80; };
  while (p < end) {
    // Markup is nearly all ASCII, text mostly: such stretches are skipped whole.
    p += asciiPrefix({reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)});
    if (p == end) break;
    const std::uint8_t lead = *p;
    if (lead < 0x80) {
      ++p;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      if (end - p < 2 || !continuation(p[1])) return false;
      p += 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      if (end - p < 3 || !continuation(p[2])) return false;
      const std::uint8_t low = lead == 0xE0 ? 0xA0 : 0x80;
      const std::uint8_t high = lead == 0xED ? 0x9F : 0xBF;
      if (p[1] < low || p[1] > high) return false;
      p += 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      if (end - p < 4 || !continuation(p[2]) || !continuation(p[3])) return false;
      const std::uint8_t low = lead == 0xF0 ? 0x90 : 0x80;
      const std::uint8_t high = lead == 0xF4 ? 0x8F : 0xBF;
      if (p[1] < low || p[1] > high) return false;
      p += 4;
    } else {
      return false;
    }
  }
  return true;
}

bool isValidUTF8(Bytes bytes) { return isValidUTF8(asChars(bytes)); }

std::size_t validSequenceLength(std::string_view s, std::size_t pos) {
  const auto decoded = decodeCodePoint(s, pos);
  return decoded.valid ? decoded.length : 0;
}

std::optional<std::string> decodeUTF8(Bytes bytes) {
  const std::string_view chars = asChars(bytes);
  if (!isValidUTF8(chars)) return std::nullopt;
  return std::string(chars);
}

std::string decodeUTF8Lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    const auto decoded = decodeCodePoint(bytes, pos);
    if (decoded.valid) {
      out.append(bytes.substr(pos, decoded.length));
    } else {
      appendUTF8(out, kReplacementCharacter);
    }
    pos += decoded.length;
  }
  return out;
}

std::optional<std::string> decodeWindows1254(Bytes bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const std::uint8_t b : bytes) {
    const char32_t cp = windows1254CodePoint(b);
    if (cp == 0 && b != 0) return std::nullopt;
    appendUTF8(out, cp);
  }
  return out;
}

std::string decodeISO88599(Bytes bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const std::uint8_t b : bytes) appendUTF8(out, iso88599CodePoint(b));
  return out;
}

bool isWindows1254(Bytes bytes) {
  for (const std::uint8_t b : bytes) {
    if (b >= 0x80 && b <= 0x9F && kWindows1254High[b - 0x80] == 0) return false;
  }
  return true;
}

std::string decodeLatin1(Bytes bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const std::uint8_t b : bytes) appendUTF8(out, b);
  return out;
}

std::optional<std::string> decodeASCII(Bytes bytes) {
  for (const std::uint8_t b : bytes) {
    if (b > 0x7F) return std::nullopt;
  }
  return std::string(asChars(bytes));
}

std::optional<std::string> decodeUnicode(Bytes bytes, UnicodeForm form) {
  const bool wide = form == UnicodeForm::utf32LE || form == UnicodeForm::utf32BE;
  const bool big = form == UnicodeForm::utf16BE || form == UnicodeForm::utf32BE;
  const std::size_t width = wide ? 4 : 2;
  if (bytes.size() % width != 0) return std::nullopt;
  const auto unit = [&](std::size_t at) {
    char32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = value << 8 | bytes[at + (big ? i : width - 1 - i)];
    return value;
  };
  std::string out;
  out.reserve(bytes.size() / width);
  for (std::size_t at = 0; at < bytes.size(); at += width) {
    char32_t cp = unit(at);
    if (!wide && cp >= 0xD800 && cp <= 0xDBFF && at + width < bytes.size()) {
      const char32_t low = unit(at + width);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        at += width;
      }
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return std::nullopt;
    appendUTF8(out, cp);
  }
  return out;
}

std::u16string toUTF16(std::string_view utf8) {
  // Never more units than bytes; written in place, ASCII eight bytes at a time.
  std::u16string out(utf8.size(), u'\0');
  char16_t* unit = out.data();
  for (std::size_t pos = 0; pos < utf8.size();) {
    std::uint64_t word = 0;
    if (pos + 8 <= utf8.size() &&
        (std::memcpy(&word, utf8.data() + pos, 8), (word & 0x8080808080808080u) == 0)) {
      for (std::size_t i = 0; i < 8; ++i) *unit++ = static_cast<char16_t>(utf8[pos + i]);
      pos += 8;
      continue;
    }
    const auto decoded = decodeCodePoint(utf8, pos);
    pos += decoded.length;
    const char32_t cp = decoded.value;
    if (cp < 0x10000) {
      *unit++ = static_cast<char16_t>(cp);
    } else {
      *unit++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      *unit++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  out.resize(static_cast<std::size_t>(unit - out.data()));
  return out;
}

std::string fromUTF16(std::u16string_view units) {
  // Sized first (three bytes for any unit from U+0800 on: a lone surrogate
  // becomes U+FFFD, and a pair takes four bytes for its two units), then
  // written in place.
  std::size_t size = 0;
  for (const char16_t unit : units) size += unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
  std::string out(size, '\0');
  char* byte = out.data();
  const auto put = [&](char32_t cp) {
    if (cp < 0x80) {
      *byte++ = static_cast<char>(cp);
      return;
    }
    if (cp < 0x800) {
      *byte++ = static_cast<char>(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
      *byte++ = static_cast<char>(0xE0 | (cp >> 12));
      *byte++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    } else {
      *byte++ = static_cast<char>(0xF0 | (cp >> 18));
      *byte++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *byte++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    *byte++ = static_cast<char>(0x80 | (cp & 0x3F));
  };
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit < 0xD800 || unit > 0xDFFF) {
      put(unit);
    } else if (unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      put(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{units[i + 1]} - 0xDC00));
      ++i;
    } else {
      put(kReplacementCharacter);
    }
  }
  out.resize(static_cast<std::size_t>(byte - out.data()));
  return out;
}

}  // namespace maravel::text
