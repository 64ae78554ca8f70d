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
    {{"TurkTrust", "TURKTRUST", "TÜRKTRUST"}, "TÜRKTRUST"},
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

// --- The common-name filter ------------------------------------------------------

bool isAuthorityName(std::string_view name) {
  for (auto word : kAuthorityWords) {
    if (name.find(word) != std::string_view::npos) return true;
  }
  // "CA" only as a word of its own: given names such as CAN, CANAN or CAHİT
  // hold the letters but are no authority.
  return text::containsWord(name, "CA");
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
  info.issuer = issuerName(text);
  scanDER(data, info);
  return info;
}

std::string UDFSignatureParser::issuerName(std::string_view text) {
  for (const auto& group : kIssuers) {
    for (auto needle : group.needles) {
      if (!needle.empty() && text.find(needle) != std::string_view::npos) return std::string(group.name);
    }
  }
  return std::string(kFallbackIssuer);
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
