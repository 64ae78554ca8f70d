// The certificates a signer's identity is judged against: the anchors, the
// shipped issuing certificates and those cached by earlier online checks,
// read from TrustPlaces. What the judgement found is a SignerTrust
// (crypto::SignedData::signerTrust makes it).
//
// Reading is bounded: at most kMaxFilesPerFolder files a folder, each at
// most kMaxFileBytes, at most kMaxCertificates certificates in all; files
// that are not certificates are skipped. A TrustStore is read-only once
// loaded and may be shared by threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/crypto/trust_places.hpp"

namespace maravel::crypto {

// The first reason that holds, in the order a chain is judged.
enum class ChainOutcome {
  trusted,
  issuerMissing,
  untrustedRoot,
  notQualified,
  expiredAtSigning,
  chainInvalid
};
enum class RevocationOutcome { notChecked, good, revoked, unavailable };

struct SignerTrust {
  ChainOutcome chain = ChainOutcome::untrustedRoot;
  RevocationOutcome revocation = RevocationOutcome::notChecked;
  std::string revokedAt = {};  // "YYYYMMDDhhmmss" (UTC) when revoked
  bool revokedBeforeSigning = false;
};

// How an online check reaches the network; the crypto layer never does.
// Each call returns the body of a successful answer, at most `maxBytes`
// long, or nothing.
struct OnlineAccess {
  std::function<std::optional<std::vector<std::uint8_t>>(const std::string& url, std::size_t maxBytes)> get;
  std::function<std::optional<std::vector<std::uint8_t>>(
      const std::string& url, std::span<const std::uint8_t> ocspRequest, std::size_t maxBytes)>
      postOcsp;
};

class TrustStore {
 public:
  static constexpr std::size_t kMaxFilesPerFolder = 1000;
  static constexpr std::size_t kMaxFileBytes = 1024 * 1024;
  static constexpr std::size_t kMaxCertificates = 4000;

  static TrustStore load(const TrustPlaces& places);

  TrustStore(TrustStore&&) noexcept;
  TrustStore& operator=(TrustStore&&) noexcept;
  ~TrustStore();

  std::size_t anchorCount() const;

  struct Parts;
  const Parts& parts() const { return *parts_; }

 private:
  explicit TrustStore(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

}  // namespace maravel::crypto
