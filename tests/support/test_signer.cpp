#include "tests/support/test_signer.hpp"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>

namespace maravel::testing {

namespace {

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};

using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509_free>>;
using Name = std::unique_ptr<X509_NAME, Deleter<X509_NAME_free>>;
using ContentInfo = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO_free>>;
using Time = std::unique_ptr<ASN1_TIME, Deleter<ASN1_TIME_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION_free>>;

// Setting up a throwaway signer only fails when libcrypto is out of memory.
template <typename T>
T checked(T value, const char* what) {
  if (!value) {
    std::cerr << "test signer: " << what << " failed\n";
    std::abort();
  }
  return value;
}

struct Attribute {
  int nid;
  int type;
  std::string value;
};

Name name(std::initializer_list<Attribute> attributes) {
  Name out(checked(X509_NAME_new(), "X509_NAME_new"));
  for (const Attribute& a : attributes) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(a.value.data());
    checked(
        X509_NAME_add_entry_by_NID(out.get(), a.nid, a.type, bytes, static_cast<int>(a.value.size()), -1, 0),
        "X509_NAME_add_entry_by_NID");
  }
  return out;
}

const Name& issuerName() {
  static const Name issuer = name({
      {NID_countryName, V_ASN1_PRINTABLESTRING, "TR"},
      {NID_organizationName, V_ASN1_UTF8STRING, "Türkiye Bilimsel ve Teknolojik Araştırma Kurumu - TÜBİTAK"},
      {NID_organizationalUnitName, V_ASN1_UTF8STRING, "Kamu Sertifikasyon Merkezi - Kamu SM"},
      {NID_commonName, V_ASN1_UTF8STRING,
       "Kamu SM Nitelikli Elektronik Sertifika Hizmet Sağlayıcısı - Sürüm 1"},
  });
  return issuer;
}

Name personName(const std::string& commonName, const std::string& identityNumber) {
  return name({{NID_countryName, V_ASN1_PRINTABLESTRING, "TR"},
               {NID_serialNumber, V_ASN1_PRINTABLESTRING, identityNumber},
               {NID_commonName, V_ASN1_UTF8STRING, commonName}});
}

struct Period {
  const char* notBefore;
  const char* notAfter;
};

constexpr Period kSignerPeriod{"261101000000Z", "291101000000Z"};
constexpr Period kExpiredPeriod{"200101000000Z", "220101000000Z"};
constexpr Period kAuthorityPeriod{"200101000000Z", "400101000000Z"};
constexpr long kSignerSerial = 0x4B414D55534D0001;

Certificate issueCertificate(const X509_NAME* subject, EVP_PKEY* subjectKey, EVP_PKEY* issuerKey, long serial,
                             Period period, bool authority) {
  Certificate x(checked(X509_new(), "X509_new"));
  checked(X509_set_version(x.get(), X509_VERSION_3), "X509_set_version");
  checked(ASN1_INTEGER_set(X509_get_serialNumber(x.get()), serial), "ASN1_INTEGER_set");
  checked(X509_set_issuer_name(x.get(), issuerName().get()), "X509_set_issuer_name");
  checked(X509_set_subject_name(x.get(), subject), "X509_set_subject_name");
  checked(ASN1_TIME_set_string(X509_getm_notBefore(x.get()), period.notBefore), "notBefore");
  checked(ASN1_TIME_set_string(X509_getm_notAfter(x.get()), period.notAfter), "notAfter");
  checked(X509_set_pubkey(x.get(), subjectKey), "X509_set_pubkey");
  if (authority) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, x.get(), x.get(), nullptr, nullptr, 0);
    Extension constraints(
        checked(X509V3_EXT_nconf_nid(nullptr, &context, NID_basic_constraints, "critical,CA:TRUE"),
                "basicConstraints"));
    checked(X509_add_ext(x.get(), constraints.get(), -1), "X509_add_ext");
  }
  checked(X509_sign(x.get(), issuerKey, EVP_sha256()), "X509_sign");
  return x;
}

std::vector<std::uint8_t> der(CMS_ContentInfo* cms) {
  unsigned char* out = nullptr;
  const int size = checked(std::max(i2d_CMS_ContentInfo(cms, &out), 0), "i2d_CMS_ContentInfo");
  std::vector<std::uint8_t> bytes(out, out + size);
  OPENSSL_free(out);
  return bytes;
}

}  // namespace

struct TestSigner::Keys {
  Key authorityKey{checked(EVP_RSA_gen(2048), "EVP_RSA_gen")};
  Key signerKey{checked(EVP_RSA_gen(2048), "EVP_RSA_gen")};
  Certificate authority =
      issueCertificate(issuerName().get(), authorityKey.get(), authorityKey.get(), 1, kAuthorityPeriod, true);
  Certificate signer = issueCertificate(personName("CAHİT YILMAZ", "31415926530").get(), signerKey.get(),
                                        authorityKey.get(), kSignerSerial, kSignerPeriod, false);
  Certificate expired = issueCertificate(personName("CAHİT YILMAZ", "31415926530").get(), signerKey.get(),
                                         authorityKey.get(), kSignerSerial, kExpiredPeriod, false);
  // Same issuer and serial as the signer's, another person and the
  // authority's key.
  Certificate swapped = issueCertificate(personName("ZEYNEP KAYA", "27182818284").get(), authorityKey.get(),
                                         authorityKey.get(), kSignerSerial, kSignerPeriod, false);
};

TestSigner::TestSigner() : keys_(std::make_unique<Keys>()) {}
TestSigner::~TestSigner() = default;

std::vector<std::uint8_t> TestSigner::sign(std::span<const std::uint8_t> content) const {
  return sign(content, Options{});
}

std::vector<std::uint8_t> TestSigner::sign(std::span<const std::uint8_t> content,
                                           const Options& options) const {
  const int flags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | CMS_NOSMIMECAP;
  ContentInfo cms(checked(CMS_sign(nullptr, nullptr, nullptr, nullptr, flags), "CMS_sign"));
  X509* signerCertificate = options.expiredCertificate ? keys_->expired.get() : keys_->signer.get();
  const int signerFlags = flags | (options.signedAttributes ? CMS_CADES : CMS_NOATTR) |
                          (options.swappedCertificate ? CMS_NOCERTS : 0);
  CMS_SignerInfo* signer = checked(
      CMS_add1_signer(cms.get(), signerCertificate, keys_->signerKey.get(), EVP_sha256(), signerFlags),
      "CMS_add1_signer");
  if (options.signedAttributes) {
    Time signingTime(checked(ASN1_TIME_new(), "ASN1_TIME_new"));
    checked(ASN1_TIME_set_string(signingTime.get(), kSigningTime), "signingTime");
    checked(CMS_signed_add1_attr_by_NID(signer, NID_pkcs9_signingTime, V_ASN1_UTCTIME, signingTime.get(), -1),
            "CMS_signed_add1_attr_by_NID");
  }
  if (options.swappedCertificate) checked(CMS_add1_cert(cms.get(), keys_->swapped.get()), "CMS_add1_cert");
  checked(CMS_add1_cert(cms.get(), keys_->authority.get()), "CMS_add1_cert");
  for (int i = 0; i < options.extraCertificates; ++i) {
    Certificate extra =
        issueCertificate(personName("EK " + std::to_string(i), "10000000000").get(), keys_->signerKey.get(),
                         keys_->authorityKey.get(), 100 + i, kSignerPeriod, false);
    checked(CMS_add1_cert(cms.get(), extra.get()), "CMS_add1_cert");
  }
  Bio data(checked(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())), "BIO_new_mem_buf"));
  checked(CMS_final(cms.get(), data.get(), nullptr, flags & ~CMS_PARTIAL), "CMS_final");
  return der(cms.get());
}

std::vector<std::uint8_t> TestSigner::certificate() const {
  unsigned char* out = nullptr;
  const int size = checked(std::max(i2d_X509(keys_->signer.get(), &out), 0), "i2d_X509");
  std::vector<std::uint8_t> bytes(out, out + size);
  OPENSSL_free(out);
  return bytes;
}

}  // namespace maravel::testing
