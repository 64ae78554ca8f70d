// Signatures made here, once per run, by a throwaway authority and signer
// (tests/support/test_signer), then changed the ways a forger or a damaged
// file would change them.

#include "reader/signature_verifier.hpp"

#include <gtest/gtest.h>

#include "tests/support/test_signer.hpp"
#include "tests/support/zip_writer.hpp"

namespace maravel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::TestSigner;

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
  // clang-format off
  const Case cases[] = {
      {"the editor's shape", good, kContent, S::verified, P::valid},
      {"zeros after the structure, within the bound", trailing, kContent, S::verified, P::valid},
      {"24.000 TL changed to 14.000 TL", good, withByte(kContent, 105, '1'), S::contentChanged, P::valid},
      {"content.xml empty", good, {}, S::contentChanged, P::valid},
      {"last byte of the signature value changed", withByte(good, good.size() - 1, good.back() ^ 1), kContent,
       S::signatureInvalid, P::valid},
      {"certificate swapped", signedWith({.swappedCertificate = true}), kContent, S::signatureInvalid, P::valid},
      {"certificate expired before the signing time", signedWith({.expiredCertificate = true}), kContent,
       S::verified, P::expired},
      {"signed attributes missing", signedWith({.signedAttributes = false}), kContent, S::unreadable, P::unknown},
      {"16 certificates", signedWith({.extraCertificates = 14}), kContent, S::verified, P::valid},
      {"17 certificates", signedWith({.extraCertificates = 15}), kContent, S::unreadable, P::unknown},
      {"over 1 MiB", oversized, kContent, S::unreadable, P::unknown},
      {"truncated", Bytes(good.begin(), good.begin() + 900), kContent, S::unreadable, P::unknown},
      {"the 32-zero-byte stub", Bytes(32, 0), kContent, S::unreadable, P::unknown},
      {"empty", {}, kContent, S::unreadable, P::unknown},
      {"DER that is not CMS", signer().certificate(), kContent, S::unreadable, P::unknown},
      {"not DER", testing::bytes("PK\x03\x04 sign.sgn"), kContent, S::unreadable, P::unknown},
  };
  // clang-format on
  for (const Case& c : cases) {
    const SignatureCheck check = SignatureVerifier::verify(c.signature, c.content);
    EXPECT_EQ(check.status, c.status) << c.what;
    EXPECT_EQ(check.certificatePeriod, c.period) << c.what;
    // The throwaway authority is in no trust store.
    EXPECT_EQ(check.chain, ChainTrust::untrustedRoot) << c.what;
  }
}

// The sanitizer build checks that no prefix reads past its end or leaks.
TEST(SignatureVerifierTest, EveryProperPrefixIsUnreadable) {
  const Bytes good = signer().sign(kContent);
  for (std::size_t n = 0; n < good.size(); ++n) {
    const Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_EQ(SignatureVerifier::verify(prefix, kContent).status, SignatureStatus::unreadable) << n;
  }
}

}  // namespace
}  // namespace maravel
