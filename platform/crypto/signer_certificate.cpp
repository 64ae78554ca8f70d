#include "platform/crypto/signer_certificate.hpp"

#include <openssl/objects.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <vector>

#include "platform/crypto/openssl_support.hpp"

namespace maravel::crypto {

namespace {

using Bytes = std::vector<std::uint8_t>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX_free>>;
using Algorithm = std::unique_ptr<X509_ALGOR, Deleter<X509_ALGOR_free>>;
void freeElements(STACK_OF(ASN1_TYPE) * elements) { sk_ASN1_TYPE_pop_free(elements, ASN1_TYPE_free); }
using Elements = std::unique_ptr<STACK_OF(ASN1_TYPE), Deleter<freeElements>>;

// --- The signing-certificate attributes --------------------------------------------
//
// They hold, inside what the signature covers, the hash of the signer's
// certificate: the first certificate they identify is the one that must
// verify the signature. Without them a certificate naming the same issuer,
// serial number and key but another person would verify as well as the
// real one. Only that first hash is compared; the certificates listed after
// it (the chain) need not be carried.

// The elements of a DER SEQUENCE; null when `der` is not one.
Elements elementsOf(const ASN1_STRING* der) {
  if (!der) return nullptr;
  const unsigned char* cursor = ASN1_STRING_get0_data(der);
  return Elements(d2i_ASN1_SEQUENCE_ANY(nullptr, &cursor, ASN1_STRING_length(der)));
}

// The element at `index` when it has that type: its encoding, or for an
// OCTET STRING its contents.
const ASN1_STRING* element(const Elements& elements, int index, int type) {
  if (!elements || index >= sk_ASN1_TYPE_num(elements.get())) return nullptr;
  const ASN1_TYPE* value = sk_ASN1_TYPE_value(elements.get(), index);
  return ASN1_TYPE_get(value) == type ? value->value.asn1_string : nullptr;
}

const EVP_MD* digestNamed(const ASN1_STRING* algorithmIdentifier) {
  const unsigned char* cursor = ASN1_STRING_get0_data(algorithmIdentifier);
  const Algorithm algorithm(d2i_X509_ALGOR(nullptr, &cursor, ASN1_STRING_length(algorithmIdentifier)));
  const ASN1_OBJECT* object = nullptr;
  if (algorithm) X509_ALGOR_get0(&object, nullptr, nullptr, algorithm.get());
  return object ? EVP_get_digestbyobj(object) : nullptr;
}

// Whether the first certificate identifier in the attribute value (ESS
// SigningCertificate, or V2 whose hash algorithm may be given) holds the
// certificate's hash.
bool namesFirst(const ASN1_STRING* value, bool v2, X509* certificate) {
  const Elements attribute = elementsOf(value);
  const Elements identifiers = elementsOf(element(attribute, 0, V_ASN1_SEQUENCE));
  const Elements first = elementsOf(element(identifiers, 0, V_ASN1_SEQUENCE));
  const ASN1_STRING* algorithm = v2 ? element(first, 0, V_ASN1_SEQUENCE) : nullptr;
  const EVP_MD* md = algorithm ? digestNamed(algorithm) : v2 ? EVP_sha256() : EVP_sha1();
  const ASN1_STRING* hash = element(first, algorithm ? 1 : 0, V_ASN1_OCTET_STRING);
  unsigned char actual[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!md || !hash || X509_digest(certificate, md, actual, &size) != 1) return false;
  return static_cast<int>(size) == ASN1_STRING_length(hash) &&
         std::equal(actual, actual + size, ASN1_STRING_get0_data(hash));
}

// Whether the signer's signing-certificate attributes, those it has, each
// occur once with one value and name the certificate first.
bool identifies(CMS_SignerInfo* signer, X509* certificate) {
  for (const auto& [nid, v2] : {std::pair{NID_id_smime_aa_signingCertificate, false},
                                std::pair{NID_id_smime_aa_signingCertificateV2, true}}) {
    if (CMS_signed_get_attr_by_NID(signer, nid, -1) < 0) continue;
    const auto* value = static_cast<const ASN1_STRING*>(
        CMS_signed_get0_data_by_OBJ(signer, OBJ_nid2obj(nid), -3, V_ASN1_SEQUENCE));
    if (!namesFirst(value, v2, certificate)) return false;
  }
  return true;
}

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
  for (int i = 0; i < sk_X509_num(certificates); ++i) {
    X509* candidate = sk_X509_value(certificates, i);
    if (CMS_SignerInfo_cert_cmp(signer, candidate) == 0 && identifies(signer, candidate) &&
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
