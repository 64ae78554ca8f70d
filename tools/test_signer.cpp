#include "tools/test_signer.hpp"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstdio>
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
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX_free>>;
using Bytes = std::vector<std::uint8_t>;

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

// The subject of the first certificate in PEM text.
Name subjectOf(const std::string& pemText) {
  Bio bio(checked(BIO_new_mem_buf(pemText.data(), static_cast<int>(pemText.size())), "BIO_new_mem_buf"));
  Certificate x(checked(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr), "PEM_read_bio_X509"));
  return Name(checked(X509_NAME_dup(X509_get_subject_name(x.get())), "X509_NAME_dup"));
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

Name rootName() {
  return name({{NID_countryName, V_ASN1_PRINTABLESTRING, "TR"},
               {NID_organizationName, V_ASN1_UTF8STRING, "Maravel Deneme"},
               {NID_commonName, V_ASN1_UTF8STRING, "Maravel Deneme Kök Sertifika Hizmet Sağlayıcısı"}});
}

// The extensions of a qualified signer's certificate, as Turkish providers
// write them: its policies, and qcStatements holding ETSI QcCompliance.
// (In DER: the policy syntax needs a configuration database.)
constexpr const char* kPolicies =  // 2.16.792.1.2.1.1.5.7.1.1 and 2.16.792.3.0.3.1.1.1
    "DER:301C300D060B6086180102010105070101300B06096086180300030101"
    "01";
constexpr const char* kQcCompliance = "DER:300A3008060604008E460101";

void addExtension(X509* x, X509V3_CTX* context, int nid, const std::string& value) {
  Extension extension(
      checked(X509V3_EXT_nconf_nid(nullptr, context, nid, value.c_str()), "X509V3_EXT_nconf_nid"));
  checked(X509_add_ext(x, extension.get(), -1), "X509_add_ext");
}

// What a certificate is: an authority (CA:TRUE) or a signer, qualified or
// not, and the addresses it names for its issuer and revocation (none when
// empty).
struct Kind {
  bool authority = false;
  bool qualified = true;
  std::string caIssuers;
  std::string ocsp;
  std::string crl;
};

Certificate issueCertificate(const X509_NAME* subject, EVP_PKEY* subjectKey, X509* issuer,
                             EVP_PKEY* issuerKey, long serial, Period period, const Kind& kind) {
  Certificate x(checked(X509_new(), "X509_new"));
  checked(X509_set_version(x.get(), X509_VERSION_3), "X509_set_version");
  checked(ASN1_INTEGER_set(X509_get_serialNumber(x.get()), serial), "ASN1_INTEGER_set");
  checked(X509_set_issuer_name(x.get(), issuer ? X509_get_subject_name(issuer) : subject),
          "X509_set_issuer_name");
  checked(X509_set_subject_name(x.get(), subject), "X509_set_subject_name");
  checked(ASN1_TIME_set_string(X509_getm_notBefore(x.get()), period.notBefore), "notBefore");
  checked(ASN1_TIME_set_string(X509_getm_notAfter(x.get()), period.notAfter), "notAfter");
  checked(X509_set_pubkey(x.get(), subjectKey), "X509_set_pubkey");
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer ? issuer : x.get(), x.get(), nullptr, nullptr, 0);
  addExtension(x.get(), &context, NID_subject_key_identifier, "hash");
  if (issuer) addExtension(x.get(), &context, NID_authority_key_identifier, "keyid:always");
  if (kind.authority) {
    addExtension(x.get(), &context, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(x.get(), &context, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    addExtension(x.get(), &context, NID_key_usage, "critical,nonRepudiation");
    addExtension(x.get(), &context, NID_certificate_policies, kPolicies);
    if (kind.qualified) addExtension(x.get(), &context, NID_qcStatements, kQcCompliance);
  }
  std::string access;
  if (!kind.caIssuers.empty()) access = "caIssuers;URI:" + kind.caIssuers;
  if (!kind.ocsp.empty()) access += (access.empty() ? "" : ",") + std::string("OCSP;URI:") + kind.ocsp;
  if (!access.empty()) addExtension(x.get(), &context, NID_info_access, access);
  if (!kind.crl.empty()) addExtension(x.get(), &context, NID_crl_distribution_points, "URI:" + kind.crl);
  checked(X509_sign(x.get(), issuerKey, EVP_sha256()), "X509_sign");
  return x;
}

template <typename T, int (*Encode)(const T*, unsigned char**)>
Bytes der(const T* value) {
  unsigned char* out = nullptr;
  const int size = checked(std::max(Encode(value, &out), 0), "i2d");
  Bytes bytes(out, out + size);
  OPENSSL_free(out);
  return bytes;
}

int encodeContentInfo(const CMS_ContentInfo* cms, unsigned char** out) {
  return i2d_CMS_ContentInfo(const_cast<CMS_ContentInfo*>(cms), out);
}

struct Person {
  const char* name;
  const char* serialNumber;
  const char* signingTime;
};

constexpr Person kCahit{"CAHİT YILMAZ", "31415926530", TestSigner::kSigningTime};
constexpr Person kAyse{"AYŞE DEMİR", "TC27182818284", "261204144500Z"};
constexpr Person kMehmet{"MEHMET ÖZTÜRK", "TR16180339887", "20261204150000Z"};
constexpr Person kForged{"HAKİM SAHTE İSİM", "22222222220", "20990101000000Z"};

// A time as ASN1_TIME_set_string reads it: 13 characters make a UTCTime,
// 15 a GeneralizedTime.
Time timeOf(const char* text) {
  Time time(checked(ASN1_TIME_new(), "ASN1_TIME_new"));
  checked(ASN1_TIME_set_string(time.get(), text), "ASN1_TIME_set_string");
  return time;
}

CMS_SignerInfo* addSigner(CMS_ContentInfo* cms, X509* certificate, EVP_PKEY* key, const EVP_MD* md, int flags,
                          const Person& person) {
  CMS_SignerInfo* signer = checked(CMS_add1_signer(cms, certificate, key, md, flags), "CMS_add1_signer");
  if (flags & CMS_NOATTR) return signer;
  const Time time = timeOf(person.signingTime);
  checked(CMS_signed_add1_attr_by_NID(signer, NID_pkcs9_signingTime, ASN1_STRING_type(time.get()), time.get(),
                                      -1),
          "CMS_signed_add1_attr_by_NID");
  return signer;
}

// The DigestInfo inside a PKCS#1 v1.5 signature value (recovered with the
// public key), or the value that signs one (made with the private key).
Bytes rsaRaw(EVP_PKEY* key, const Bytes& data, bool signing) {
  KeyContext context(checked(EVP_PKEY_CTX_new(key, nullptr), "EVP_PKEY_CTX_new"));
  checked((signing ? EVP_PKEY_sign_init : EVP_PKEY_verify_recover_init)(context.get()) == 1, "init");
  checked(EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1, "set_rsa_padding");
  Bytes out(static_cast<std::size_t>(EVP_PKEY_get_size(key)));
  std::size_t size = out.size();
  checked((signing ? EVP_PKEY_sign : EVP_PKEY_verify_recover)(context.get(), out.data(), &size, data.data(),
                                                              data.size()) == 1,
          "RSA");
  out.resize(size);
  return out;
}

// The DigestInfo `withNull` (SEQUENCE, AlgorithmIdentifier with NULL at
// 15-16, OCTET STRING header at 17-18, digest from 19) in another form.
Bytes reshaped(const Bytes& withNull, TestSigner::DigestInfoForm form) {
  using Form = TestSigner::DigestInfoForm;
  if (form == Form::nullParameters) return withNull;
  if (form == Form::bareDigest) return Bytes(withNull.begin() + 19, withNull.end());
  Bytes absent{0x30, static_cast<std::uint8_t>(withNull[1] - 2), 0x30,
               static_cast<std::uint8_t>(withNull[3] - 2)};
  absent.insert(absent.end(), withNull.begin() + 4, withNull.begin() + 15);
  absent.insert(absent.end(), withNull.begin() + 17, withNull.end());
  if (form == Form::trailingByte) absent.push_back(0x00);
  if (form == Form::otherAlgorithm) absent[14] += 1;
  if (form == Form::wrongLength) absent[1] += 1;
  return absent;
}

void rewriteSignature(CMS_SignerInfo* signer, EVP_PKEY* key, TestSigner::DigestInfoForm form, bool damaged) {
  ASN1_OCTET_STRING* value = CMS_SignerInfo_get0_signature(signer);
  const Bytes old(ASN1_STRING_get0_data(value), ASN1_STRING_get0_data(value) + ASN1_STRING_length(value));
  Bytes signature = rsaRaw(key, reshaped(rsaRaw(key, old, false), form), true);
  if (damaged) signature.back() ^= 0x01;
  checked(ASN1_STRING_set(value, signature.data(), static_cast<int>(signature.size())), "ASN1_STRING_set");
}

// A signingTime attribute with the forged date, as DER.
Bytes forgedTimeAttribute() {
  const std::string der =
      std::string("\x30\x1E\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x09\x05\x31\x11\x18\x0F", 17) +
      kForged.signingTime;
  return Bytes(der.begin(), der.end());
}

// The forged certificate and date among the signer's unsigned attributes,
// where CAdES keeps certificate values and time-stamp tokens.
void addForgedUnsignedAttributes(CMS_SignerInfo* signer, const Bytes& forged) {
  const Bytes time = forgedTimeAttribute();
  for (const auto& [nid, value] : {std::pair{NID_id_smime_aa_ets_certValues, &forged},
                                   std::pair{NID_id_smime_aa_timeStampToken, &time}}) {
    checked(CMS_unsigned_add1_attr_by_NID(signer, nid, V_ASN1_SEQUENCE, value->data(),
                                          static_cast<int>(value->size())),
            "CMS_unsigned_add1_attr_by_NID");
  }
}

// Moves the bytes of `moved` in front of the earliest of `others`: a
// certificate put first in the set, which the encoder would have sorted.
void moveBefore(Bytes& bytes, const Bytes& moved, const std::vector<Bytes>& others) {
  auto from = std::search(bytes.begin(), bytes.end(), moved.begin(), moved.end());
  bytes.erase(from, from + static_cast<std::ptrdiff_t>(moved.size()));
  auto to = bytes.end();
  for (const Bytes& other : others)
    to = std::min(to, std::search(bytes.begin(), bytes.end(), other.begin(), other.end()));
  bytes.insert(to, moved.begin(), moved.end());
}

}  // namespace

struct TestSigner::Keys {
  explicit Keys(const Hierarchy& where) : hierarchy(where) {}
  Hierarchy hierarchy;
  Key rootKey{checked(EVP_RSA_gen(2048), "EVP_RSA_gen")};
  Key authorityKey{checked(EVP_RSA_gen(2048), "EVP_RSA_gen")};
  Key signerKey{checked(EVP_RSA_gen(2048), "EVP_RSA_gen")};
  Key secondKey{checked(EVP_RSA_gen(2048), "EVP_RSA_gen")};
  Key thirdKey{checked(EVP_EC_gen("P-256"), "EVP_EC_gen")};
  Name rootSubject = hierarchy.rootSubject.empty() ? rootName() : subjectOf(hierarchy.rootSubject);
  Certificate root = issueCertificate(rootSubject.get(), rootKey.get(), nullptr, rootKey.get(), 1,
                                      kAuthorityPeriod, Kind{true, true, {}, {}, {}});
  Certificate authority = issueCertificate(issuerName().get(), authorityKey.get(), root.get(), rootKey.get(),
                                           2, kAuthorityPeriod, Kind{true, true, {}, {}, {}});
  Kind signerKind(bool qualified = true) const {
    const std::string& base = hierarchy.baseUrl;
    return {false, qualified, base.empty() ? "" : base + "/issuing.der", hierarchy.ocspUrl,
            base.empty() ? "" : base + "/issuing.crl"};
  }
  Certificate person(const Person& who, EVP_PKEY* key, long serial, Period period = kSignerPeriod,
                     bool qualified = true) const {
    return issueCertificate(personName(who.name, who.serialNumber).get(), key, authority.get(),
                            authorityKey.get(), serial, period, signerKind(qualified));
  }
  Certificate signer = person(kCahit, signerKey.get(), kSignerSerial);
  Certificate unqualified = person(kCahit, signerKey.get(), kSignerSerial, kSignerPeriod, false);
  Certificate expired = person(kCahit, signerKey.get(), kSignerSerial, kExpiredPeriod);
  // Same issuer and serial as CAHİT's, another person and the authority's key.
  Certificate swapped = person({"ZEYNEP KAYA", "27182818284", ""}, authorityKey.get(), kSignerSerial);
  Certificate second = person(kAyse, secondKey.get(), kSignerSerial + 1);
  Certificate third = person(kMehmet, thirdKey.get(), kSignerSerial + 2);
  // Same issuer, serial and key as CAHİT's, another name.
  Certificate forged = person(kForged, signerKey.get(), kSignerSerial);
};

TestSigner::TestSigner() : TestSigner(Hierarchy{}) {}
TestSigner::TestSigner(const Hierarchy& hierarchy) : keys_(std::make_unique<Keys>(hierarchy)) {}
TestSigner::~TestSigner() = default;

std::vector<std::uint8_t> TestSigner::sign(std::span<const std::uint8_t> content) const {
  return sign(content, Options{});
}

std::vector<std::uint8_t> TestSigner::sign(std::span<const std::uint8_t> content,
                                           const Options& options) const {
  const int flags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL | CMS_NOSMIMECAP;
  ContentInfo cms(checked(CMS_sign(nullptr, nullptr, nullptr, nullptr, flags), "CMS_sign"));
  const Certificate renamed =
      options.commonName.empty()
          ? nullptr
          : keys_->person({options.commonName.c_str(), kCahit.serialNumber, kCahit.signingTime},
                          keys_->signerKey.get(), kSignerSerial);
  X509* signerCertificate = renamed                      ? renamed.get()
                            : options.expiredCertificate ? keys_->expired.get()
                            : options.notQualified       ? keys_->unqualified.get()
                                                         : keys_->signer.get();
  const int signerFlags = flags | (options.signedAttributes ? CMS_CADES : CMS_NOATTR) |
                          (options.swappedCertificate ? CMS_NOCERTS : 0);
  CMS_SignerInfo* signer =
      addSigner(cms.get(), signerCertificate, keys_->signerKey.get(), EVP_sha256(), signerFlags, kCahit);
  CMS_SignerInfo* second = nullptr;
  if (options.coSigners >= 1)
    second = addSigner(cms.get(), keys_->second.get(), keys_->secondKey.get(),
                       EVP_get_digestbyname(("SHA" + std::to_string(options.secondDigestBits)).c_str()),
                       flags | CMS_CADES, kAyse);
  if (options.coSigners >= 2)
    addSigner(cms.get(), keys_->third.get(), keys_->thirdKey.get(), EVP_sha256(), flags | CMS_CADES, kMehmet);
  if (options.swappedCertificate) checked(CMS_add1_cert(cms.get(), keys_->swapped.get()), "CMS_add1_cert");
  if (options.forgery == Forgery::certificateFirst)
    checked(CMS_add1_cert(cms.get(), keys_->forged.get()), "CMS_add1_cert");
  if (options.carried != Carried::signers)
    checked(CMS_add1_cert(cms.get(), keys_->authority.get()), "CMS_add1_cert");
  if (options.carried == Carried::wholeChain)
    checked(CMS_add1_cert(cms.get(), keys_->root.get()), "CMS_add1_cert");
  for (int i = 0; i < options.extraCertificates; ++i) {
    Certificate extra = keys_->person({("EK " + std::to_string(i)).c_str(), "10000000000", ""},
                                      keys_->signerKey.get(), 100 + i);
    checked(CMS_add1_cert(cms.get(), extra.get()), "CMS_add1_cert");
  }
  Bio data(checked(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())), "BIO_new_mem_buf"));
  checked(CMS_final(cms.get(), data.get(), nullptr, flags & ~CMS_PARTIAL), "CMS_final");
  if (second)
    rewriteSignature(second, keys_->secondKey.get(), options.secondDigestInfo,
                     options.secondSignatureDamaged);

  const Bytes forged = der<X509, i2d_X509>(keys_->forged.get());
  if (options.forgery == Forgery::unsignedAttributes) addForgedUnsignedAttributes(signer, forged);
  Bytes bytes = der<CMS_ContentInfo, encodeContentInfo>(cms.get());
  if (options.forgery == Forgery::certificateFirst)
    moveBefore(bytes, forged,
               {der<X509, i2d_X509>(signerCertificate), der<X509, i2d_X509>(keys_->authority.get())});
  if (options.forgery == Forgery::appendedBytes) {
    const Bytes time = forgedTimeAttribute();
    bytes.insert(bytes.end(), forged.begin(), forged.end());
    bytes.insert(bytes.end(), time.begin(), time.end());
  }
  return bytes;
}

std::vector<std::uint8_t> TestSigner::certificate() const { return der<X509, i2d_X509>(keys_->signer.get()); }

namespace {

template <typename Write>
std::string pem(Write write) {
  Bio bio(checked(BIO_new(BIO_s_mem()), "BIO_new"));
  checked(write(bio.get()), "PEM_write_bio");
  char* text = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &text);
  return std::string(text, static_cast<std::size_t>(size));
}

}  // namespace

std::string TestSigner::rootPem() const {
  return pem([&](BIO* bio) { return PEM_write_bio_X509(bio, keys_->root.get()); });
}
std::string TestSigner::authorityPem() const {
  return pem([&](BIO* bio) { return PEM_write_bio_X509(bio, keys_->authority.get()); });
}
std::vector<std::uint8_t> TestSigner::authorityDer() const {
  return der<X509, i2d_X509>(keys_->authority.get());
}
std::string TestSigner::authorityKeyPem() const {
  return pem([&](BIO* bio) {
    return PEM_write_bio_PrivateKey(bio, keys_->authorityKey.get(), nullptr, nullptr, 0, nullptr, nullptr);
  });
}

}  // namespace maravel::testing
