// Checks the electronic signature in "sign.sgn" against the bytes of
// "content.xml".
//
// The signature is a DER CMS SignedData with detached content, the signer's
// certificate (and usually its chain) carried inside, and signed attributes
// whose messageDigest is the digest of the exact content.xml member bytes
// (after inflation, before any decoding). The check never reaches the
// network: certificates come from the structure and from the system's
// certificate folder only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "model/udf_document.hpp"

namespace maravel {

struct SignatureCheck {
  SignatureStatus status = SignatureStatus::unreadable;
  ChainTrust chain = ChainTrust::untrustedRoot;
  CertificatePeriod certificatePeriod = CertificatePeriod::unknown;
};

class SignatureVerifier {
 public:
  // Larger signature data is refused unread.
  static constexpr std::size_t kMaxSignatureBytes = 1024 * 1024;
  // More certificates (or signers) than this in one structure are refused;
  // a chain never runs through more.
  static constexpr std::size_t kMaxCertificates = 16;

  // The status covers every signer and is the worst found, in the order
  // unreadable, signatureInvalid, contentChanged, verified:
  // - unreadable: empty, oversized, not a CMS SignedData, cut short, no
  //   signer, a digest other than SHA-256, -384 or -512, or no signed
  //   messageDigest (as when the signed attributes are missing);
  // - signatureInvalid: the signer's certificate is not carried, or the
  //   signature value does not verify over the signed attributes;
  // - contentChanged: the signature verifies but messageDigest is not the
  //   digest of `content`.
  // The chain and the certificate period describe the first signer; they
  // do not change the status. Pure and safe on any thread; hostile bytes
  // yield unreadable, never a crash.
  static SignatureCheck verify(std::span<const std::uint8_t> signature,
                               std::span<const std::uint8_t> content);
};

}  // namespace maravel
