#include "reader/signature_parser.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/test_signer.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kFallbackIssuer = "Nitelikli Elektronik Sertifika (5070 s.K.)";

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes raw(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A DER attribute: the object identifier contents, a string tag, a short
// length and the value.
Bytes attribute(Bytes oid, std::uint8_t tag, std::string_view value) {
  return oid + Bytes{tag, static_cast<std::uint8_t>(value.size())} + raw(value);
}

Bytes commonName(std::string_view value, std::uint8_t tag = 0x0C) {
  return attribute({0x55, 0x04, 0x03}, tag, value);
}

Bytes serialNumber(std::string_view value) { return attribute({0x55, 0x04, 0x05}, 0x13, value); }

const Bytes kSigningTimeOid{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x05};

// signingTime as it stands in signed attributes: OID, SET, time.
Bytes signingTime(std::uint8_t tag, std::string_view value) {
  return kSigningTimeOid +
         Bytes{0x31, static_cast<std::uint8_t>(value.size() + 2), tag,
               static_cast<std::uint8_t>(value.size())} +
         raw(value);
}

// What follows the signed attributes in a real signature; keeps the time
// well clear of the end of the data.
const Bytes kTrailer(32, 0x00);

SignatureInfo parse(const Bytes& data) { return UDFSignatureParser::parseSignature(data); }

TEST(SignatureParserTest, EmptyDataIsSignedWithNothingElse) {
  EXPECT_EQ(parse({}), (SignatureInfo{true, "", "", std::string(kFallbackIssuer), ""}));
}

// --- Signer name ---------------------------------------------------------------

TEST(SignatureParserTest, PersonNamesAreKeptTrimmedAndAuthorityNamesSkipped) {
  // Given names starting with "CA" are no authority.
  for (const char* name :
       {"CANAN YILMAZ", "CAN DENEME", "CAHİT YILMAZ", "AYŞE ÇAĞLAYAN", "MÜCAHİT ÖRNEK", "ÖZCAN İLCA"}) {
    EXPECT_EQ(parse(commonName(name)).signerName, name);
  }
  EXPECT_EQ(parse(commonName("  ALİ VELİ\n")).signerName, "ALİ VELİ");
  for (const char* name :
       {"KAMU SM ROOT CA", "Kamu SM Root CA", "DENEME CA", "CA DENEME", "Kurgu-CA Nitelikli",
        "TÜBİTAK BİLGEM Kamu SM SSL Kök Sertifika Hizmet Sağlayıcısı - Sürüm 1", "Kurgu Bilişim Kurumu",
        "Ana Hizmetler"}) {
    EXPECT_EQ(parse(commonName(name)).signerName, "") << name;
  }
  EXPECT_EQ(parse(commonName("KAMU SM ROOT CA") + commonName("CANAN YILMAZ")).signerName, "CANAN YILMAZ");
  EXPECT_EQ(parse(commonName("AYŞE KURGU") + commonName("MEHMET DENEME")).signerName, "AYŞE KURGU");
}

TEST(SignatureParserTest, NameLengthTagEncodingAndDERLengthsAreChecked) {
  const Bytes cn{0x55, 0x04, 0x03, 0x0C};
  const std::pair<Bytes, std::string> cases[] = {
      {commonName("AB"), ""},  // 3 to 119 bytes
      {commonName("ABC"), "ABC"},
      {commonName(std::string(119, 'X')), std::string(119, 'X')},
      {commonName(std::string(120, 'X')), ""},
      {commonName("ALİ KURGU", 0x13), "ALİ KURGU"},  // string tags and UTF-8 only
      {commonName("ALİ KURGU", 0x04), ""},
      {commonName("AL\xFF KURGU"), ""},
      {cn + Bytes{0x81, 0x06} + raw("ALİ K"), "ALİ K"},  // long-form lengths
      {cn + Bytes{0x82, 0x00, 0x06} + raw("ALİ K"), "ALİ K"},
      {cn + Bytes{0x84, 0x01}, ""},  // lengths cut short or past the end
      {cn + Bytes{0xFF}, ""},
      {cn + Bytes{0x82, 0x00, 0x05} + raw("ABC"), ""},
      {cn + Bytes{0x06} + raw("ABC"), ""},
      {cn + Bytes{0x89, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x05} + raw("ABCDE"), ""},  // must not wrap to 5
  };
  for (const auto& [data, name] : cases) EXPECT_EQ(parse(data).signerName, name) << name;
}

// --- Identity number -------------------------------------------------------------

// A number after a serialNumber key or TR, but not a date; the last whole
// DER serial number wins over both.
TEST(SignatureParserTest, IdentityNumber) {
  const std::pair<Bytes, const char*> cases[] = {
      {raw("CN=ALİ, serialNumber=12345678901, C=TR"), "12345678901"},
      {raw("20251212121212 serialNumber=x"), ""},
      {raw("subject TR12345678901 end"), "12345678901"},
      {raw("no number here"), ""},
      {raw("time 20240102030405Z then TR12345678901"), ""},  // the first run starting with 20 is a date
      {raw("time 21000000000 then TR12345678901"), ""},
      {raw("TR12345678901 ") + serialNumber("98765432109") + kTrailer, "98765432109"},
      {serialNumber("11111111111") + serialNumber("22222222222"), "22222222222"},
      {raw("TR12345678901 ") + serialNumber("987654321098") + kTrailer, "12345678901"},
      {Bytes{0x55, 0x04, 0x05, 0x13, 0x0B} + raw("1234567890"), ""}};  // cut short
  for (const auto& [data, number] : cases) EXPECT_EQ(parse(data).tcNumber, number) << number;
}

// --- Issuer ----------------------------------------------------------------------

TEST(SignatureParserTest, IssuerGroupsInOrderAndNonUTF8ReadAsLatin1) {
  // clang-format off
  const std::pair<const char*, std::string_view> cases[] = {
      {"Kamu SM ... TURKTRUST", "TÜBİTAK Kamu SM"}, {"TUBITAK", "TÜBİTAK Kamu SM"}, {"E-Tugra", "E-Tuğra"},
      {"TurkTrust", "TÜRKTRUST"}, {"O=TÜRKTRUST A.Ş.", "TÜRKTRUST"}, {"E-ImzaTR", "E-İmza TR"}, {"TN Elektronik", "TN Elektronik"},
      {"kamu sm", kFallbackIssuer}, {"\xFF\xFE TURKTRUST \x80", "TÜRKTRUST"}
  };
  // clang-format on
  for (const auto& [text, issuer] : cases) EXPECT_EQ(parse(raw(text)).issuer, issuer) << text;
}

// --- Signing time ----------------------------------------------------------------

TEST(SignatureParserTest, SigningTimeIsFormattedAndTheLastWins) {
  const Bytes utc = signingTime(0x17, "240102030405Z");
  const Bytes tag = Bytes{0x17, 0x0D} + raw("240102030405Z");
  const std::pair<Bytes, std::string> cases[] = {
      {utc + kTrailer, "02.01.2024 03:04:05"},
      {signingTime(0x18, "19991231235959Z") + kTrailer, "31.12.1999 23:59:59"},
      {utc + kTrailer + signingTime(0x17, "250607080910Z") + kTrailer, "07.06.2025 08:09:10"},
      // A wrong time length ends the search.
      {kSigningTimeOid + Bytes{0x31, 0x0F, 0x17, 0x0C} + raw("240102030405Z") + kTrailer, ""},
      // A time in the last 18 bytes gives no date.
      {Bytes(utc.begin(), utc.begin() + 18), ""},
      {Bytes(7, 0) + Bytes(utc.begin(), utc.begin() + 18), ""},
      // The time tag is looked for within 20 bytes of the identifier.
      {kSigningTimeOid + Bytes(20, 0x00) + tag + kTrailer, "02.01.2024 03:04:05"},
      {kSigningTimeOid + Bytes(21, 0x00) + tag + kTrailer, ""}};
  for (const auto& [data, date] : cases) EXPECT_EQ(parse(data).signingDate, date) << date;
  // Texts too short for their format come back as they are.
  EXPECT_EQ(UDFSignatureParser::formatUTCTime("2312151030"), "2312151030");
  EXPECT_EQ(UDFSignatureParser::formatGenTime("2023121510300"), "2023121510300");
}

// --- Whole signatures --------------------------------------------------------------

// A signature made by libcrypto in the editor's shape (tests/support).
const Bytes& sampleSignature() {
  static const Bytes signature = testing::TestSigner().sign(testing::bytes("<template/>"));
  return signature;
}

TEST(SignatureParserTest, SignatureInTheEditorsShape) {
  EXPECT_EQ(parse(sampleSignature()),
            (SignatureInfo{true, "CAHİT YILMAZ", "31415926530", "TÜBİTAK Kamu SM", "04.12.2026 14:30:15"}));
}

// Every prefix of a real-shaped signature is read without touching a byte
// past its end (the sanitizer build checks the reads).
TEST(SignatureParserTest, EveryPrefixOfTheSampleIsSafe) {
  const Bytes& data = sampleSignature();
  for (std::size_t n = 0; n <= data.size(); ++n) {
    Bytes prefix(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_TRUE(parse(prefix).isSigned);
  }
}

}  // namespace
}  // namespace maravel
