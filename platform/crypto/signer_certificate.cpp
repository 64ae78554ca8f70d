#include "platform/crypto/signer_certificate.hpp"

#include <openssl/ess.h>
#include <openssl/objects.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <vector>

#include "platform/crypto/openssl_support.hpp"

namespace maravel::crypto {

namespace {

using Bytes = std::vector<std::uint8_t>;
using SigningCertificateV1 = std::unique_ptr<ESS_SIGNING_CERT, Deleter<ESS_SIGNING_CERT_free>>;
using SigningCertificateV2 = std::unique_ptr<ESS_SIGNING_CERT_V2, Deleter<ESS_SIGNING_CERT_V2_free>>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX_free>>;
void freeList(STACK_OF(X509) * list) { sk_X509_free(list); }  // the certificates are not its own
using CertificateList = std::unique_ptr<STACK_OF(X509), Deleter<freeList>>;

// --- The signing-certificate attributes --------------------------------------------
//
// They hold the hash of the signer's certificate inside what the signature
// covers. Without them a certificate naming the same issuer, serial number
// and key but another person would verify as well as the real one.

// The attribute's value decoded; `readable` turns false when the attribute
// is there but not exactly once with one value that decodes.
template <typename T, T* (*Decode)(T**, const unsigned char**, long)>
T* signedAttribute(CMS_SignerInfo* signer, int nid, bool& readable) {
  if (CMS_signed_get_attr_by_NID(signer, nid, -1) < 0) return nullptr;
  const auto* value = static_cast<const ASN1_STRING*>(
      CMS_signed_get0_data_by_OBJ(signer, OBJ_nid2obj(nid), -3, V_ASN1_SEQUENCE));
  const unsigned char* cursor = value ? ASN1_STRING_get0_data(value) : nullptr;
  T* decoded = value ? Decode(nullptr, &cursor, ASN1_STRING_length(value)) : nullptr;
  if (!decoded) readable = false;
  return decoded;
}

class SigningCertificates {
 public:
  explicit SigningCertificates(CMS_SignerInfo* signer)
      : v1_(signedAttribute<ESS_SIGNING_CERT, d2i_ESS_SIGNING_CERT>(
            signer, NID_id_smime_aa_signingCertificate, readable_)),
        v2_(signedAttribute<ESS_SIGNING_CERT_V2, d2i_ESS_SIGNING_CERT_V2>(
            signer, NID_id_smime_aa_signingCertificateV2, readable_)) {}

  // Whether the attributes, when the signer has them, name this certificate first.
  bool identify(X509* certificate) const {
    if (!readable_) return false;
    if (!v1_ && !v2_) return true;
    CertificateList chain(sk_X509_new_null());
    if (!chain || !sk_X509_push(chain.get(), certificate)) return false;
    return OSSL_ESS_check_signing_certs(v1_.get(), v2_.get(), chain.get(), 0) == 1;
  }

 private:
  bool readable_ = true;
  SigningCertificateV1 v1_;
  SigningCertificateV2 v2_;
};

// --- RSA signatures whose DigestInfo has no parameters -----------------------------

bool isPkcs1v15(CMS_SignerInfo* signer, DigestAlgorithm algorithm) {
  X509_ALGOR* signatureAlgorithm = nullptr;
  CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, nullptr, &signatureAlgorithm);
  const ASN1_OBJECT* object = nullptr;
  X509_ALGOR_get0(&object, nullptr, nullptr, signatureAlgorithm);
  switch (OBJ_obj2nid(object)) {
    case NID_rsaEncryption:
      return true;
    case NID_sha256WithRSAEncryption:
      return algorithm == DigestAlgorithm::sha256;
    case NID_sha384WithRSAEncryption:
      return algorithm == DigestAlgorithm::sha384;
    case NID_sha512WithRSAEncryption:
      return algorithm == DigestAlgorithm::sha512;
    default:
      return false;
  }
}

// The signed attributes as the signature covers them: a SET in the order
// received, each attribute in DER (as libcrypto's own check encodes them).
Bytes signedAttributes(CMS_SignerInfo* signer) {
  Bytes body;
  for (int i = 0; i < CMS_signed_get_attr_count(signer); ++i) {
    unsigned char* der = nullptr;
    const int size = i2d_X509_ATTRIBUTE(CMS_signed_get_attr(signer, i), &der);
    if (size <= 0) return {};
    body.insert(body.end(), der, der + size);
    OPENSSL_free(der);
  }
  const int length = static_cast<int>(body.size());
  const int total = ASN1_object_size(1, length, V_ASN1_SET);
  if (total <= length) return {};
  Bytes out(static_cast<std::size_t>(total));
  unsigned char* cursor = out.data();
  ASN1_put_object(&cursor, 1, length, V_ASN1_SET, V_ASN1_UNIVERSAL);
  std::copy(body.begin(), body.end(), cursor);
  return out;
}

// libcrypto's RSA check accepts only the DigestInfo with NULL parameters;
// this recovers the DigestInfo with the public key and accepts either form.
bool verifiesWithAbsentParameters(CMS_SignerInfo* signer, EVP_PKEY* key, DigestAlgorithm algorithm,
                                  int& budget) {
  if (!key || EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA || !isPkcs1v15(signer, algorithm) || budget <= 0)
    return false;
  --budget;
  const Bytes hash = digest(algorithm, signedAttributes(signer));
  const ASN1_OCTET_STRING* value = CMS_SignerInfo_get0_signature(signer);
  KeyContext context(EVP_PKEY_CTX_new(key, nullptr));
  Bytes recovered(static_cast<std::size_t>(std::max(EVP_PKEY_get_size(key), 0)));
  std::size_t size = recovered.size();
  if (hash.empty() || !value || !context || EVP_PKEY_verify_recover_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
      EVP_PKEY_verify_recover(context.get(), recovered.data(), &size, ASN1_STRING_get0_data(value),
                              static_cast<std::size_t>(ASN1_STRING_length(value))) != 1)
    return false;
  recovered.resize(std::min(size, recovered.size()));
  return isDigestInfo(algorithm, recovered, hash);
}

bool verifiesWith(CMS_SignerInfo* signer, X509* certificate, DigestAlgorithm algorithm, int& budget) {
  if (budget <= 0) return false;
  --budget;
  CMS_SignerInfo_set1_signer_cert(signer, certificate);
  return CMS_SignerInfo_verify(signer) == 1 ||
         verifiesWithAbsentParameters(signer, X509_get0_pubkey(certificate), algorithm, budget);
}

// --- Names -------------------------------------------------------------------------------

std::string utf8(const ASN1_STRING* value) {
  unsigned char* out = nullptr;
  const int size = value ? ASN1_STRING_to_UTF8(&out, value) : -1;
  if (size < 0) return {};
  std::string text(reinterpret_cast<const char*>(out), static_cast<std::size_t>(size));
  OPENSSL_free(out);
  return text;
}

std::string firstEntry(const X509_NAME* name, int nid) {
  const int index = X509_NAME_get_index_by_NID(name, nid, -1);
  return index < 0 ? std::string() : utf8(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
}

std::string allEntries(const X509_NAME* name) {
  std::string text;
  for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
    if (i > 0) text += ", ";
    text += utf8(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, i)));
  }
  return text;
}

}  // namespace

X509* signerCertificate(CMS_SignerInfo* signer, STACK_OF(X509) * certificates, DigestAlgorithm algorithm,
                        int& budget) {
  if (CMS_signed_get_attr_count(signer) <= 0) return nullptr;
  const SigningCertificates identified(signer);
  for (int i = 0; i < sk_X509_num(certificates); ++i) {
    X509* candidate = sk_X509_value(certificates, i);
    if (CMS_SignerInfo_cert_cmp(signer, candidate) == 0 && identified.identify(candidate) &&
        verifiesWith(signer, candidate, algorithm, budget))
      return candidate;
  }
  return nullptr;
}

CertificateNames namesOf(const X509* certificate) {
  const X509_NAME* subject = X509_get_subject_name(certificate);
  return {firstEntry(subject, NID_commonName), firstEntry(subject, NID_serialNumber),
          allEntries(X509_get_issuer_name(certificate))};
}

}  // namespace maravel::crypto
