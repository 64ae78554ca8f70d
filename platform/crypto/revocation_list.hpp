// A certificate revocation list (DER), read where it lies. Used only inside
// platform/crypto.
//
// A CRL of a big provider runs to tens of megabytes, hundreds of thousands
// of entries; decoded whole into libcrypto's objects it takes ten times its
// size. Here the signature is checked over the bytes as they are and the
// entries are walked without keeping any, so reading one costs about one
// copy of its size and one pass over it, whether it was just fetched or
// kept from an earlier check.
#pragma once

#include <openssl/x509.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/crypto/openssl_support.hpp"

namespace maravel::crypto {

struct RevocationList {
  using Time = std::unique_ptr<ASN1_TIME, Deleter<ASN1_TIME_free>>;
  Time thisUpdate;
  Time nextUpdate;  // null: the list names none
  Time revokedAt;   // null: the certificate asked about is not listed

  // The list's times and what it says of `certificate`, when `der` is one
  // DER CRL (nothing after it) issued under `issuer`'s subject name, whose
  // signature `issuer`'s key verifies, with the same algorithm inside and
  // outside its signed part; nothing otherwise. Entries are matched by
  // serial number (the list is its issuer's); extensions are not read.
  static std::optional<RevocationList> read(std::span<const std::uint8_t> der, X509* issuer,
                                            X509* certificate);
};

}  // namespace maravel::crypto
