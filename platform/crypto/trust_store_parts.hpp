// What a TrustStore holds, and the chain and revocation checks over it.
// Used only inside platform/crypto.
#pragma once

#include <openssl/x509.h>

#include <ctime>
#include <string>

#include "platform/crypto/openssl_support.hpp"
#include "platform/crypto/revocation_cache.hpp"
#include "platform/crypto/trust_store.hpp"

namespace maravel::crypto {

inline void freeCertificateStack(STACK_OF(X509) * certificates) { sk_X509_pop_free(certificates, X509_free); }
using CertificateStack = std::unique_ptr<STACK_OF(X509), Deleter<freeCertificateStack>>;

struct TrustStore::Parts {
  CertificateStack anchors{sk_X509_new_null()};
  CertificateStack issuing{sk_X509_new_null()};  // shipped and cached: never anchors
  std::string issuerCache;
  std::string revocationCache;
};

// The judgement of `signer` at `signingTime`, with `carried` (the
// document's certificates) as candidate issuers beside the store's, and
// with `online` fetching missing issuers and the revocation status when
// given (null: nothing leaves the machine; revocation answers an earlier
// online check kept are still read).
SignerTrust judgeSigner(X509* signer, STACK_OF(X509) * carried, const TrustStore::Parts& store,
                        std::time_t signingTime, const OnlineAccess* online);

// Whether the certificate says it is qualified (ETSI QcCompliance among
// its qcStatements).
bool isQualified(const X509* certificate);

// The revocation status of `signer` issued by `issuer`: from an answer
// `cache` keeps while it is current, else (only with `online`) asked by
// OCSP first, then from the CRL, and kept; `chain` and `store` verify
// every answer. Without `online` and a current answer: notChecked.
SignerTrust revocationOf(X509* signer, X509* issuer, STACK_OF(X509) * chain, X509_STORE* store,
                         std::time_t signingTime, const OnlineAccess* online, const RevocationCache& cache);

}  // namespace maravel::crypto
