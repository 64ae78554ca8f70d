// Signatures made here, once per run, by a throwaway authority and signers
// (tests/support/test_signer), then changed the ways a forger or a damaged
// file would change them.

#include "reader/signature_verifier.hpp"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/scratch_folder.hpp"
#include "tools/test_signer.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {

namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::TestSigner;
using Form = TestSigner::DigestInfoForm;

const TestSigner& signer() {
  static const TestSigner instance;
  return instance;
}

const Bytes kContent = testing::bytes(
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n<template format_id=\"1.8\" >\n"
    "<content><![CDATA[HACİZ TUTANAĞI\n24.000,00 TL\n]]></content></template>\n");

Bytes withByte(Bytes data, std::size_t at, std::uint8_t value) {
  data.at(at) = value;
  return data;
}

Bytes signedWith(TestSigner::Options options) { return signer().sign(kContent, options); }

struct Case {
  const char* what;
  Bytes signature;
  Bytes content;
  SignatureStatus status;
  CertificatePeriod period;
};

TEST(SignatureVerifierTest, StatusesOfMadeAndChangedSignatures) {
  const Bytes good = signer().sign(kContent);
  Bytes oversized = good;
  oversized.resize(SignatureVerifier::kMaxSignatureBytes + 1);  // trailing zeros after a sound structure
  Bytes trailing = good;
  trailing.resize(SignatureVerifier::kMaxSignatureBytes);
  using S = SignatureStatus;
  using P = CertificatePeriod;
  const auto second = [](Form form, int bits = 256) {
    return signedWith({.coSigners = 1, .secondDigestBits = bits, .secondDigestInfo = form});
  };
  // clang-format off
  const Case cases[] = {
      {"the editor's shape", good, kContent, S::verified, P::valid},
      {"zeros after the structure, within the bound", trailing, kContent, S::verified, P::valid},
      {"24.000 TL changed to 14.000 TL", good, withByte(kContent, 105, '1'), S::contentChanged, P::valid},
      {"content.xml empty", good, {}, S::contentChanged, P::valid},
      {"last byte of the signature value changed", withByte(good, good.size() - 1, good.back() ^ 1), kContent,
       S::signatureInvalid, P::unknown},
      {"certificate swapped", signedWith({.swappedCertificate = true}), kContent, S::signatureInvalid, P::unknown},
      {"certificate expired before the signing time", signedWith({.expiredCertificate = true}), kContent,
       S::verified, P::expired},
      {"signed attributes missing", signedWith({.signedAttributes = false}), kContent, S::unreadable, P::unknown},
      {"16 certificates", signedWith({.extraCertificates = 13}), kContent, S::verified, P::valid},
      {"17 certificates", signedWith({.extraCertificates = 14}), kContent, S::unreadable, P::unknown},
      {"over 1 MiB", oversized, kContent, S::unreadable, P::unknown},
      {"truncated", Bytes(good.begin(), good.begin() + 900), kContent, S::unreadable, P::unknown},
      {"the 32-zero-byte stub", Bytes(32, 0), kContent, S::unreadable, P::unknown},
      {"empty", {}, kContent, S::unreadable, P::unknown},
      {"DER that is not CMS", signer().certificate(), kContent, S::unreadable, P::unknown},
      {"not DER", testing::bytes("PK\x03\x04 sign.sgn"), kContent, S::unreadable, P::unknown},
      // The second signer's RSA DigestInfo: both permitted forms, nothing looser.
      {"SHA-256 without parameters", second(Form::absentParameters), kContent, S::verified, P::valid},
      {"SHA-384 without parameters", second(Form::absentParameters, 384), kContent, S::verified, P::valid},
      {"SHA-512 without parameters", second(Form::absentParameters, 512), kContent, S::verified, P::valid},
      {"SHA-512 with NULL", second(Form::nullParameters, 512), kContent, S::verified, P::valid},
      {"without parameters, value changed", signedWith({.coSigners = 1, .secondDigestInfo = Form::absentParameters,
       .secondSignatureDamaged = true}), kContent, S::signatureInvalid, P::unknown},
      {"a byte after the DigestInfo", second(Form::trailingByte), kContent, S::signatureInvalid, P::unknown},
      {"another algorithm's identifier", second(Form::otherAlgorithm), kContent, S::signatureInvalid, P::unknown},
      {"a wrong length", second(Form::wrongLength), kContent, S::signatureInvalid, P::unknown},
      {"the digest without DigestInfo", second(Form::bareDigest), kContent, S::signatureInvalid, P::unknown},
  };
  // clang-format on
  for (const Case& c : cases) {
    const SignatureInfo info = SignatureVerifier::verify(c.signature, c.content, crypto::TrustPlaces{});
    EXPECT_EQ(info.status, c.status) << c.what;
    EXPECT_EQ(info.certificatePeriod, c.period) << c.what;
    // There is no anchor.
    EXPECT_EQ(info.chain, ChainTrust::untrustedRoot) << c.what;
  }
}

// Each signer is named by the certificate its signature verified with and by
// its own signed time, in signing order; what a forger adds without a key
// never shows.
TEST(SignatureVerifierTest, EverySignerNamedByItsOwnCertificate) {
  const auto named = [](const char* name, const char* number, const char* date,
                        DigestAlgorithm digest = DigestAlgorithm::sha256) {
    Signer signer{name, number, "TÜBİTAK Kamu SM", date, digest};
    signer.certificatePeriod = CertificatePeriod::valid;
    return signer;
  };
  const Signer cahit = named("CAHİT YILMAZ", "31415926530", "04.12.2026 14:30:15");
  const Signer ayse = named("AYŞE DEMİR", "27182818284", "04.12.2026 14:45:00", DigestAlgorithm::sha384);
  const Signer mehmet = named("MEHMET ÖZTÜRK", "16180339887", "04.12.2026 15:00:00");
  const Signer failed{"", "", "", "", DigestAlgorithm::sha384, SignatureStatus::signatureInvalid};
  using F = TestSigner::Forgery;
  const std::tuple<const char*, TestSigner::Options, std::vector<Signer>> cases[] = {
      {"three signers, SHA-256, SHA-384 and ECDSA", {.coSigners = 2}, {cahit, ayse, mehmet}},
      {"the second signature value changed",
       {.coSigners = 1, .secondSignatureDamaged = true},
       {cahit, failed}},
      {"a forged certificate put first", {.forgery = F::certificateFirst}, {cahit}},
      {"forged unsigned attributes", {.forgery = F::unsignedAttributes}, {cahit}},
      {"forged bytes appended", {.forgery = F::appendedBytes}, {cahit}},
  };
  for (const auto& [what, options, signers] : cases) {
    const SignatureInfo info =
        SignatureVerifier::verify(signedWith(options), kContent, crypto::TrustPlaces{});
    EXPECT_EQ(info.signers, signers) << what;
    EXPECT_EQ(std::tie(info.signerName, info.tcNumber, info.signingDate, info.issuer),
              std::tie(signers[0].name, signers[0].tcNumber, signers[0].signingDate, signers[0].issuer))
        << what;
  }
}

// The sanitizer build checks that no prefix reads past its end or leaks.
TEST(SignatureVerifierTest, EveryProperPrefixIsUnreadable) {
  const Bytes good = signer().sign(kContent);
  for (std::size_t n = 0; n < good.size(); ++n) {
    const Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_EQ(SignatureVerifier::verify(prefix, kContent, crypto::TrustPlaces{}).status,
              SignatureStatus::unreadable)
        << n;
  }
}

}  // namespace
}  // namespace maravel
