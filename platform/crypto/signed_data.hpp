// A thin layer over OpenSSL's libcrypto for reading and checking a CMS
// (PKCS#7) SignedData structure with detached content.
//
// It answers questions about the structure; deciding what the answers mean
// is the caller's business. Nothing here touches the network by itself:
// certificates are taken from the structure and from a TrustStore, and only
// an OnlineAccess the caller hands in fetches issuers, OCSP answers or CRLs.
// OpenSSL's configuration file is never loaded, so no engine or provider
// other than the built-in ones takes part.
//
// Hostile input: decoding is OpenSSL's DER/BER decoder, which bounds nesting
// and lengths by the data it is given; every OpenSSL object is owned here and
// freed with the SignedData; OpenSSL's error queue is left as it was found.
// A SignedData is used by one thread at a time; different ones are
// independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/crypto/digest_info.hpp"
#include "platform/crypto/trust_store.hpp"

namespace maravel::crypto {

// Where a moment lies against a certificate's validity period.
enum class PeriodPosition { before, within, after };

// What a certificate names, in UTF-8 (empty where it names nothing).
struct CertificateNames {
  std::string commonName;    // the subject's first commonName
  std::string serialNumber;  // the subject's first serialNumber attribute, not the certificate's serial
  std::string issuer;        // every value of the issuer's name, in order, joined by ", "
};

// A signingTime attribute's characters as the structure holds them.
struct SigningTime {
  std::string value;  // UTCTime "YYMMDDhhmmssZ" or GeneralizedTime "YYYYMMDDhhmmssZ"
  bool generalized = false;
};

class SignedData {
 public:
  // The structure when the bytes begin with a CMS ContentInfo of type
  // SignedData; nothing for any other structure, for bytes that are cut
  // short, for empty data, and for a structure that carries more than
  // `maxCertificates` certificates (counted in the encoding before any
  // certificate is decoded). Bytes after the structure are ignored.
  static std::optional<SignedData> decode(std::span<const std::uint8_t> bytes, std::size_t maxCertificates);

  SignedData(SignedData&&) noexcept;
  SignedData& operator=(SignedData&&) noexcept;
  ~SignedData();

  std::size_t signerCount() const;

  // The questions below take a signer index below signerCount(); any other
  // index gets the negative answer.

  // Nothing for a digest algorithm other than the three of DigestAlgorithm.
  std::optional<DigestAlgorithm> digestAlgorithm(std::size_t signer) const;

  // The value of the signer's messageDigest attribute; nothing when the
  // signer has no signed attributes, or not exactly one messageDigest
  // attribute with exactly one octet-string value.
  std::optional<std::vector<std::uint8_t>> messageDigest(std::size_t signer) const;

  // Whether the signature value verifies over the signed attributes. It
  // does when a carried certificate
  // - is the one the signer names by issuer and serial number or by subject
  //   key identifier,
  // - is the first one its signing-certificate attribute (ESS, either
  //   version) identifies by hash, when the signer has that attribute, and
  // - holds the public key that verifies the value; an RSA PKCS#1 v1.5
  //   value passes with its DigestInfo's parameters NULL or absent.
  // That certificate is the signer's certificate below; a signer whose
  // signature does not verify has none. False without signed attributes
  // and for keys or algorithms libcrypto rejects. A structure costs at most
  // two public-key operations per certificate it may carry, whatever its
  // signers claim; signers left over once they are spent do not verify.
  bool signatureVerifies(std::size_t signer) const;

  // What the signer's certificate names; nothing without that certificate.
  std::optional<CertificateNames> signerNames(std::size_t signer) const;

  // The signer's single signingTime attribute among its signed attributes;
  // nothing without exactly one.
  std::optional<SigningTime> signingTime(std::size_t signer) const;

  // Where that signing time lies against the signer's certificate's
  // validity period; nothing without both, or when a time does not parse.
  std::optional<PeriodPosition> signingTimePosition(std::size_t signer) const;

  // How far an anchor of `store` vouches for the signer's certificate (see
  // SignerTrust), judged at the signer's signing time (now when it has
  // none) with the carried certificates as candidate issuers, never as
  // anchors. With `online`, missing issuers are fetched and the revocation
  // status asked; with or without it, a current revocation answer kept by
  // an earlier online check counts. A signer without certificate gets
  // chainInvalid.
  SignerTrust signerTrust(std::size_t signer, const TrustStore& store, const OnlineAccess* online) const;

 private:
  struct Parts;
  explicit SignedData(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

}  // namespace maravel::crypto
