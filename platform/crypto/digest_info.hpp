// The digests a signature may use, and the DigestInfo that an RSA PKCS#1
// v1.5 signature carries around its digest.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace maravel::crypto {

enum class DigestAlgorithm { sha256, sha384, sha512 };

// The digest of the data; empty when libcrypto fails (out of memory).
std::vector<std::uint8_t> digest(DigestAlgorithm algorithm, std::span<const std::uint8_t> data);

// Whether `encoded` is exactly the DER DigestInfo of `digest` under
// `algorithm`, in one of its two permitted forms: the algorithm identifier
// with NULL parameters, or with the parameters absent (signers may write
// either, and verifiers are to accept both). Nothing else passes: no other
// algorithm, no other length, no byte before or after. Pure.
bool isDigestInfo(DigestAlgorithm algorithm, std::span<const std::uint8_t> encoded,
                  std::span<const std::uint8_t> digest);

}  // namespace maravel::crypto
