// What the crypto layer's files share about libcrypto: owning pointers, the
// error-queue guard every public call starts with, and the digest objects.
// Used only inside platform/crypto.
#pragma once

#include <openssl/err.h>
#include <openssl/evp.h>

#include <memory>

#include "platform/crypto/digest_info.hpp"

namespace maravel::crypto {

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};

// Leaves OpenSSL's per-thread error queue as it was: whatever a call adds
// is dropped when it returns.
class ErrorQueueMark {
 public:
  ErrorQueueMark() {
    // Built-in algorithms only: no openssl.cnf, whatever the environment says.
    OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
    ERR_set_mark();
  }
  ~ErrorQueueMark() { ERR_pop_to_mark(); }
  ErrorQueueMark(const ErrorQueueMark&) = delete;
  ErrorQueueMark& operator=(const ErrorQueueMark&) = delete;
};

inline const EVP_MD* messageDigest(DigestAlgorithm algorithm) {
  switch (algorithm) {
    case DigestAlgorithm::sha384:
      return EVP_sha384();
    case DigestAlgorithm::sha512:
      return EVP_sha512();
    case DigestAlgorithm::sha256:
      break;
  }
  return EVP_sha256();
}

}  // namespace maravel::crypto
