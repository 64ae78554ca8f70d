// Which carried certificate made a signer's signature, and what it names.
// Used only inside platform/crypto.
#pragma once

#include <openssl/cms.h>
#include <openssl/x509.h>

#include "platform/crypto/digest_info.hpp"
#include "platform/crypto/signed_data.hpp"

namespace maravel::crypto {

// The carried certificate that made the signer's signature: the one the
// signer names (issuer and serial number, or subject key identifier), that
// its signing-certificate attribute identifies first (by hash) when it has
// one, and whose public key verifies the signature value over the signed
// attributes. RSA PKCS#1 v1.5 signatures pass with the DigestInfo's
// parameters NULL or absent. Null when no certificate qualifies or the signer has no signed
// attributes. Every public-key operation spends one of `budget`, shared by
// the whole structure; none is made once it is spent.
X509* signerCertificate(CMS_SignerInfo* signer, STACK_OF(X509) * certificates, DigestAlgorithm algorithm,
                        int& budget);

CertificateNames namesOf(const X509* certificate);

}  // namespace maravel::crypto
