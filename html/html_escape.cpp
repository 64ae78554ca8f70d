#include "html/html_escape.hpp"

#include <cstdint>
#include <string_view>

#include "platform/text/byte_words.hpp"

namespace maravel {

std::string escapeHTML(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t kept = 0;  // the start of what is still to be appended as it is
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Eight bytes without any of the five pass in one step.
    if (text.size() - i >= 8) {
      const std::uint64_t word = text::wordAt(text.data() + i);
      if (!text::anyByteIs(word, '&') && !text::anyByteIs(word, '<') && !text::anyByteIs(word, '>') &&
          !text::anyByteIs(word, '"') && !text::anyByteIs(word, '\'')) {
        i += 7;
        continue;
      }
    }
    const char c = text[i];
    // One comparison lets nearly every character through: all five lie
    // below '?' and are none of the letters and digits above it.
    if (static_cast<unsigned char>(c) > '>') continue;
    std::string_view entity;
    switch (c) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      case '\'':
        entity = "&#39;";
        break;
      default:
        continue;
    }
    out.append(text, kept, i - kept);
    out += entity;
    kept = i + 1;
  }
  out.append(text, kept);
  return out;
}

namespace {

constexpr char32_t kInvalid = 0xFFFD;

// Decodes one UTF-8 sequence at `i`, advancing `i`; invalid or truncated
// sequences, overlong forms and surrogates give U+FFFD and consume one byte.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
  const auto lead = static_cast<std::uint8_t>(s[i]);
  std::size_t length = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
  } else {
    ++i;
    return kInvalid;
  }
  if (s.size() - i < length) {
    ++i;
    return kInvalid;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const auto byte = static_cast<std::uint8_t>(s[i + k]);
    if ((byte & 0xC0) != 0x80) {
      ++i;
      return kInvalid;
    }
    cp = (cp << 6) | (byte & 0x3F);
  }
  const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kInvalid;
  }
  i += length;
  return cp;
}

bool needsHexEscape(char32_t cp) {
  switch (cp) {
    case '<':
    case '>':
    case '{':
    case '}':
    case ';':
    case kInvalid:
    case 0x2028:
    case 0x2029:
      return true;
    default:
      return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
  }
}

void appendHexEscape(std::string& out, char32_t cp) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char buffer[8];
  int n = 0;
  do {
    buffer[n++] = kDigits[cp & 0xF];
    cp >>= 4;
  } while (cp != 0);
  out += '\\';
  while (n > 0) out += buffer[--n];
  out += ' ';
}

}  // namespace

std::string escapeCSSString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = i;
    const char32_t cp = nextCodePoint(text, i);
    if (cp == '"' || cp == '\\') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (needsHexEscape(cp)) {
      appendHexEscape(out, cp);
    } else {
      out.append(text.substr(start, i - start));
    }
  }
  return out;
}

}  // namespace maravel
