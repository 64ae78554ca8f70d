// A thin layer over OpenSSL's libcrypto for reading and checking a CMS
// (PKCS#7) SignedData structure with detached content.
//
// It answers questions about the structure; deciding what the answers mean
// is the caller's business. Nothing here touches the network: certificates
// are taken from the structure itself and from the system's certificate
// folder, looked up by subject name; no AIA, OCSP or CRL fetch is ever made.
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
#include <vector>

namespace maravel::crypto {

enum class DigestAlgorithm { sha256, sha384, sha512 };

// Where a moment lies against a certificate's validity period.
enum class PeriodPosition { before, within, after };

// The digest of the data; empty when libcrypto fails (out of memory).
std::vector<std::uint8_t> digest(DigestAlgorithm algorithm, std::span<const std::uint8_t> data);

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

  // Nothing for a digest algorithm other than the three above.
  std::optional<DigestAlgorithm> digestAlgorithm(std::size_t signer) const;

  // The value of the signer's messageDigest attribute; nothing when the
  // signer has no signed attributes, or not exactly one messageDigest
  // attribute with exactly one octet-string value.
  std::optional<std::vector<std::uint8_t>> messageDigest(std::size_t signer) const;

  // Whether the signature value verifies over the signed attributes with the
  // public key of the signer's certificate: the carried certificate that the
  // signer names by issuer and serial number or by subject key identifier.
  // False without signed attributes, without that certificate, and for keys
  // or algorithms libcrypto rejects.
  bool signatureVerifies(std::size_t signer) const;

  // Where the signer's single signingTime attribute lies against its
  // certificate's validity period; nothing without that attribute, without
  // the certificate, or when a time does not parse.
  std::optional<PeriodPosition> signingTimePosition(std::size_t signer) const;

  // Whether the signer's certificate chains, through the carried
  // certificates, to a root certificate of the system trust store, with at
  // most `maxIntermediates` certificates between them. Validity periods and
  // revocation are not checked.
  bool chainsToSystemRoot(std::size_t signer, int maxIntermediates) const;

 private:
  struct Parts;
  explicit SignedData(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

}  // namespace maravel::crypto
