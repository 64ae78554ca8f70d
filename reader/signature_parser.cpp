#include "reader/signature_parser.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>

#include "platform/text/text.hpp"

namespace maravel {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::array<std::uint8_t, 3> kCommonName{0x55, 0x04, 0x03};
constexpr std::array<std::uint8_t, 3> kSerialNumber{0x55, 0x04, 0x05};
constexpr std::array<std::uint8_t, 9> kSigningTime{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x05};

constexpr std::uint8_t kUTCTimeTag = 0x17;
constexpr std::uint8_t kGeneralizedTimeTag = 0x18;
constexpr std::size_t kSerialLength = 11;
constexpr std::size_t kMinNameLength = 3;
constexpr std::size_t kMaxNameLength = 119;
constexpr std::size_t kTimeWindow = 21;  // positions searched for a time tag after the OID

constexpr std::string_view kFallbackIssuer = "Nitelikli Elektronik Sertifika (5070 s.K.)";

struct IssuerGroup {
  std::array<std::string_view, 3> needles;
  std::string_view name;
};

constexpr std::array<IssuerGroup, 5> kIssuers{{
    {{"TÜBİTAK", "TUBITAK", "Kamu SM"}, "TÜBİTAK Kamu SM"},
    {{"E-Tuğra", "E-Tugra", ""}, "E-Tuğra"},
    {{"TurkTrust", "TURKTRUST", ""}, "TÜRKTRUST"},
    {{"E-İmzaTR", "E-ImzaTR", ""}, "E-İmza TR"},
    {{"TN Elektronik", "", ""}, "TN Elektronik"},
}};

// Names of certification authorities rather than of people.
constexpr std::array<std::string_view, 4> kAuthorityWords{"Sertifika", "Kurumu", "Hizmet", "Root"};

bool isStringTag(std::uint8_t tag) { return tag == 0x0C || tag == 0x13 || tag == 0x14 || tag == 0x16; }

template <std::size_t N>
bool matchesAt(Bytes data, std::size_t i, const std::array<std::uint8_t, N>& pattern) {
  if (i > data.size() || data.size() - i < N) return false;
  return std::equal(pattern.begin(), pattern.end(), data.begin() + static_cast<std::ptrdiff_t>(i));
}

// --- Text searches -----------------------------------------------------------

std::string identityNumberFromText(std::string_view text) {
  constexpr std::string_view kSerialKey = "serialNumber=";
  if (auto key = text.find(kSerialKey); key != std::string_view::npos) {
    auto run = text::findDigitRun(text.substr(key + kSerialKey.size()), kSerialLength);
    return run ? std::string(*run) : std::string();
  }
  auto run = text::findDigitRun(text, kSerialLength, "TR");
  if (!run) return {};
  std::string_view number = *run;
  if (number.starts_with("TR")) number.remove_prefix(2);  // the only "TR" the pattern lets through
  // A run starting with 20 or 21 is a date and time, not an identity number.
  if (number.size() != kSerialLength || number.starts_with("20") || number.starts_with("21")) return {};
  return std::string(number);
}

std::string issuerFromText(std::string_view text) {
  for (const auto& group : kIssuers) {
    for (auto needle : group.needles) {
      if (!needle.empty() && text.find(needle) != std::string_view::npos) return std::string(group.name);
    }
  }
  return std::string(kFallbackIssuer);
}

// --- The common-name filter ------------------------------------------------------

// Whether a code point counts as a letter when deciding word boundaries.
// ASCII letters are letters; other ASCII is not. Beyond ASCII, everything is
// taken as part of a word except the Latin-1 punctuation and symbols and the
// punctuation, symbol and space blocks, which is what names in certificates
// are made of.
bool isWordCodePoint(char32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z');
  if (cp <= 0xBF) return cp == 0xAA || cp == 0xB5 || cp == 0xBA;
  if (cp == 0xD7 || cp == 0xF7) return false;
  if (cp >= 0x2000 && cp <= 0x2BFF) return false;
  if (cp >= 0x3000 && cp <= 0x303F) return false;
  if (cp >= 0xFE30 && cp <= 0xFE6F) return false;
  if (cp >= 0xFF00 && cp <= 0xFF20) return false;
  return true;
}

// Decodes the code point whose lead byte is at `at` in valid UTF-8.
char32_t codePointAt(std::string_view s, std::size_t at) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = byte(at);
  std::size_t extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
  if (extra == 0) return lead;
  char32_t cp = lead & (0x3F >> extra);
  for (std::size_t k = 1; k <= extra && at + k < s.size(); ++k) cp = (cp << 6) | (byte(at + k) & 0x3F);
  return cp;
}

// Whether "CA" stands in the name as a word of its own: bounded on both sides
// by a non-letter or an end of the name. Given names such as CAN, CANAN or
// CAHİT hold the letters but not the word.
bool containsWordCA(std::string_view name) {
  for (auto at = name.find("CA"); at != std::string_view::npos; at = name.find("CA", at + 1)) {
    bool wordBefore = false;
    if (at > 0) {
      std::size_t lead = at - 1;
      while (lead > 0 && (static_cast<unsigned char>(name[lead]) & 0xC0) == 0x80) --lead;
      wordBefore = isWordCodePoint(codePointAt(name, lead));
    }
    bool wordAfter = at + 2 < name.size() && isWordCodePoint(codePointAt(name, at + 2));
    if (!wordBefore && !wordAfter) return true;
  }
  return false;
}

bool isAuthorityName(std::string_view name) {
  for (auto word : kAuthorityWords) {
    if (name.find(word) != std::string_view::npos) return true;
  }
  return containsWordCA(name);
}

// --- The DER scan ------------------------------------------------------------------

// The contents of a commonName string at i, when its length is usable and
// they lie within the data.
std::optional<std::string> commonNameAt(Bytes data, std::size_t i) {
  if (!matchesAt(data, i, kCommonName) || i + 4 >= data.size() || !isStringTag(data[i + 3])) return {};
  std::size_t length = data[i + 4];
  std::size_t start = i + 5;
  if (length >= 0x80) {
    std::size_t count = length & 0x7F;
    if (count > data.size() - start) return {};  // the length bytes run past the end
    length = 0;
    for (std::size_t k = 0; k < count; ++k) {
      length = (length << 8) | data[start + k];
      if (length > kMaxNameLength) return {};  // also keeps long length fields from overflowing
    }
    start += count;
  }
  if (length < kMinNameLength || length > kMaxNameLength || length > data.size() - start) return {};
  auto name = text::decodeUTF8(data.subspan(start, length));
  if (!name || isAuthorityName(*name)) return {};
  return name;
}

// An 11-character serialNumber attribute at i.
std::optional<std::string> serialNumberAt(Bytes data, std::size_t i) {
  if (!matchesAt(data, i, kSerialNumber) || i + 16 > data.size()) return {};
  if (!isStringTag(data[i + 3]) || data[i + 4] != kSerialLength) return {};
  return text::decodeASCII(data.subspan(i + 5, kSerialLength));
}

// The formatted time after a signingTime OID at i: the first time tag within
// the window decides, and a tag whose length or bounds do not fit ends the
// search with nothing.
std::optional<std::string> signingTimeAt(Bytes data, std::size_t i) {
  const std::size_t n = data.size();
  if (i + 9 >= n || !matchesAt(data, i, kSigningTime) || n < 10) return {};
  const std::size_t end = std::min(i + 9 + kTimeWindow, n - 10);
  for (std::size_t p = i + 9; p < end; ++p) {
    if (data[p] == kUTCTimeTag) {
      if (data[p + 1] != 13 || p + 15 > n) return {};
      auto value = text::decodeASCII(data.subspan(p + 2, 13));
      if (!value) return {};
      return UDFSignatureParser::formatUTCTime(*value);
    }
    if (data[p] == kGeneralizedTimeTag) {
      if (data[p + 1] != 15 || p + 17 > n) return {};
      auto value = text::decodeASCII(data.subspan(p + 2, 15));
      if (!value) return {};
      return UDFSignatureParser::formatGenTime(*value);
    }
  }
  return {};
}

void scanDER(Bytes data, SignatureInfo& info) {
  if (data.size() < 5) return;
  for (std::size_t i = 0; i + 5 <= data.size(); ++i) {
    if (info.signerName.empty()) {
      if (auto name = commonNameAt(data, i))
        info.signerName = std::string(text::trimWhitespaceAndNewlines(*name));
    }
    if (auto serial = serialNumberAt(data, i)) info.tcNumber = std::move(*serial);
    if (auto date = signingTimeAt(data, i)) info.signingDate = std::move(*date);
  }
}

}  // namespace

SignatureInfo UDFSignatureParser::parseSignature(std::span<const std::uint8_t> data) {
  auto decoded = text::decodeUTF8(data);
  const std::string text = decoded ? std::move(*decoded) : text::decodeLatin1(data);

  SignatureInfo info;
  info.isSigned = true;
  info.tcNumber = identityNumberFromText(text);
  info.issuer = issuerFromText(text);
  scanDER(data, info);
  return info;
}

std::string UDFSignatureParser::formatUTCTime(std::string_view value) {
  if (value.size() < 12) return std::string(value);
  auto part = [&](std::size_t at) { return value.substr(at, 2); };
  std::string out;
  out.append(part(4)).append(".").append(part(2)).append(".20").append(part(0));
  out.append(" ").append(part(6)).append(":").append(part(8)).append(":").append(part(10));
  return out;
}

std::string UDFSignatureParser::formatGenTime(std::string_view value) {
  if (value.size() < 14) return std::string(value);
  auto part = [&](std::size_t at, std::size_t count) { return value.substr(at, count); };
  std::string out;
  out.append(part(6, 2)).append(".").append(part(4, 2)).append(".").append(part(0, 4));
  out.append(" ").append(part(8, 2)).append(":").append(part(10, 2)).append(":").append(part(12, 2));
  return out;
}

}  // namespace maravel
