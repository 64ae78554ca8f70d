// The revocation answers an online check fetched and verified (OCSP
// responses, CRLs), kept per user so that later checks, online or not,
// reuse them until their next update; the issuing certificates fetched are
// written the same way. Used only inside platform/crypto.
//
// Nothing in a kept file is trusted by itself: whoever reads one verifies
// it against the chain exactly as a fresh answer. A file is read only when
// it is a regular file no longer than the bound the caller gives (the same
// bound as for fetching it), and written whole or not at all, so that a
// run that stops half-way or a second run writing the same answer leaves
// either the old file or the new one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace maravel::crypto {

class RevocationCache {
 public:
  // `folder` empty: nothing is read or kept.
  explicit RevocationCache(std::string folder) : folder_(std::move(folder)) {}

  // The file name of the answer about one certificate (`kind` "ocsp", `key`
  // its DER OCSP CertID: issuer name and key hashes and serial number) or of
  // the CRL at one address (`kind` "crl", `key` the URL):
  // "KIND-<hex SHA-256 of key>.der". One CRL file serves every certificate
  // it covers.
  static std::string nameOf(std::string_view kind, std::span<const std::uint8_t> key);

  std::optional<std::vector<std::uint8_t>> read(const std::string& name, std::size_t maxBytes) const;
  void keep(const std::string& name, std::span<const std::uint8_t> bytes) const;

 private:
  std::string folder_;
};

}  // namespace maravel::crypto
