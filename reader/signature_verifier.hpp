// Checks the electronic signature in "sign.sgn" against the bytes of
// "content.xml" and names each signer by what the signature covers.
//
// The signature is a DER CMS SignedData with detached content, the signers'
// certificates (and usually their chains) carried inside, and for each
// signer signed attributes whose messageDigest is the digest of the exact
// content.xml member bytes (after inflation, before any decoding). Who
// vouches for a signer is judged against the anchors of TrustPlaces, read
// only when a signer's signature verifies; the check reaches the network
// only through an OnlineAccess the caller hands in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "model/udf_document.hpp"
#include "platform/crypto/trust_store.hpp"

namespace maravel {

class SignatureVerifier {
 public:
  // Larger signature data is refused unread.
  static constexpr std::size_t kMaxSignatureBytes = 1024 * 1024;
  // More certificates (or signers) than this in one structure are refused;
  // a chain never runs through more.
  static constexpr std::size_t kMaxCertificates = 16;

  // The summary of the signature, with isSigned true. Each signer gets its
  // own outcome:
  // - signatureInvalid: no carried certificate is the signer's (see
  //   crypto::SignedData::signatureVerifies), or its key does not verify
  //   the signature value; such a signer is named by nothing;
  // - contentChanged: the signature verifies but messageDigest is not the
  //   digest of `content`;
  // - verified: both hold.
  // A verified or changed signer is named by its certificate (common name,
  // identity number from the subject's serialNumber, issuer display name)
  // and its own signed signingTime; certificates it does not verify with,
  // unsigned attributes and bytes after the structure are never read for
  // it. Signers are listed in order of their signing times, those without
  // one (and those that do not verify) last, otherwise as the structure
  // holds them. The document's status is the worst of them.
  //
  // The whole signature is unreadable (and summarised by
  // UDFSignatureParser's byte scan instead, with `signers` empty) when it
  // is empty, oversized, not a CMS SignedData, cut short, has no signer or
  // more than kMaxCertificates, or a signer has a digest other than
  // SHA-256, -384 or -512, or no signed messageDigest.
  //
  // Each verified or changed signer's chain is judged against the anchors
  // of `places` at its signing time (crypto::SignedData::signerTrust): the
  // store is read once, and only when some signer has a certificate; with
  // `online`, missing issuers are fetched and revocation asked. A trusted
  // signer's revocation answer that an earlier online check kept in
  // `places.revocationCache` counts, online or not, while it is current.
  // Safe on any thread; hostile bytes yield unreadable, never a crash.
  static SignatureInfo verify(std::span<const std::uint8_t> signature, std::span<const std::uint8_t> content,
                              const crypto::TrustPlaces& places,
                              const crypto::OnlineAccess* online = nullptr);
  // The same against the standard places (crypto::TrustPlaces::standard).
  static SignatureInfo verify(std::span<const std::uint8_t> signature, std::span<const std::uint8_t> content);
};

}  // namespace maravel
