#include "platform/crypto/signed_data.hpp"

#include <openssl/cms.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <climits>
#include <ctime>

#include "platform/crypto/openssl_support.hpp"
#include "platform/crypto/signer_certificate.hpp"
#include "platform/crypto/trust_store_parts.hpp"

namespace maravel::crypto {

namespace {

void freeCertificates(STACK_OF(X509) * certificates) { sk_X509_pop_free(certificates, X509_free); }

using ContentInfo = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo_free>>;
using Certificates = std::unique_ptr<STACK_OF(X509), Deleter<freeCertificates>>;

// The signed attribute's only value, when the attribute occurs exactly once
// with exactly one value of that ASN.1 type.
const ASN1_STRING* singleSignedValue(CMS_SignerInfo* signer, int nid, int type) {
  if (CMS_signed_get_attr_count(signer) <= 0) return nullptr;
  return static_cast<const ASN1_STRING*>(CMS_signed_get0_data_by_OBJ(signer, OBJ_nid2obj(nid), -3, type));
}

// --- Counting certificates in the encoding --------------------------------------
//
// Decoding a certificate decodes its public key, which costs libcrypto about
// half a millisecond; a megabyte of small certificates would take most of a
// second. So the certificates are counted in the encoding first, walking
// only the TLV headers on the path ContentInfo / [0] / SignedData / [0].

constexpr int kMaxNesting = 32;  // libcrypto's decoder stops at 30

struct Header {
  const unsigned char* content;
  long length;  // 0 when indefinite
  bool indefinite;
  int tag;
  int tagClass;
};

std::optional<Header> header(const unsigned char* p, const unsigned char* end) {
  if (p >= end) return std::nullopt;
  long length = 0;
  int tag = 0, tagClass = 0;
  const int kind = ASN1_get_object(&p, &length, &tag, &tagClass, end - p);
  if (kind & 0x80) return std::nullopt;
  return Header{p, length, (kind & 0x01) != 0, tag, tagClass};
}

bool isEndOfContents(const unsigned char* p, const unsigned char* end) {
  return end - p >= 2 && p[0] == 0 && p[1] == 0;
}

// Where the element starting at p ends; null when it runs past `end`.
const unsigned char* elementEnd(const unsigned char* p, const unsigned char* end, int depth) {
  const auto h = header(p, end);
  if (!h || depth > kMaxNesting) return nullptr;
  if (!h->indefinite) return h->content + h->length;
  for (const unsigned char* child = h->content; child; child = elementEnd(child, end, depth + 1)) {
    if (isEndOfContents(child, end)) return child + 2;
  }
  return nullptr;
}

// The starts of the children of the constructed element h, at most `limit`
// + 1 of them; nothing when the encoding is broken before that.
std::optional<std::vector<const unsigned char*>> children(const Header& h, const unsigned char* end,
                                                          std::size_t limit) {
  const unsigned char* stop = h.indefinite ? end : h.content + h.length;
  std::vector<const unsigned char*> starts;
  for (const unsigned char* child = h.content; child < stop && starts.size() <= limit;) {
    if (h.indefinite && isEndOfContents(child, end)) break;
    starts.push_back(child);
    child = elementEnd(child, end, 1);
    if (!child) return std::nullopt;
  }
  return starts;
}

// Whether the structure carries at most `limit` certificates; false when
// the path to them is not well formed (libcrypto would refuse it too).
bool certificatesWithin(std::span<const std::uint8_t> bytes, std::size_t limit) {
  const unsigned char* end = bytes.data() + bytes.size();
  const auto contentInfo = header(bytes.data(), end);
  const auto contentInfoParts = contentInfo ? children(*contentInfo, end, 2) : std::nullopt;
  if (!contentInfoParts || contentInfoParts->size() < 2) return false;
  const auto explicitContent = header((*contentInfoParts)[1], end);
  const auto signedData = explicitContent ? header(explicitContent->content, end) : std::nullopt;
  // version, digestAlgorithms, encapContentInfo, then [0] certificates when present
  const auto fields = signedData ? children(*signedData, end, 4) : std::nullopt;
  if (!fields) return false;
  if (fields->size() < 4) return true;
  const auto certificates = header((*fields)[3], end);
  if (!certificates) return false;
  if (certificates->tagClass != V_ASN1_CONTEXT_SPECIFIC || certificates->tag != 0) return true;
  const auto carried = children(*certificates, end, limit);
  return carried && carried->size() <= limit;
}

}  // namespace

struct SignedData::Parts {
  ContentInfo contentInfo;
  Certificates certificates;  // null when the structure carries none
  std::size_t signerCount = 0;
  // Per signer, looked up on first use (so that a caller can refuse a huge
  // structure by its counts before paying for the search): absent when not
  // looked up yet, null when no carried certificate made the signature.
  std::vector<std::optional<X509*>> signerCertificates;
  int keysLeft = 0;  // public-key operations the whole structure may still cost

  CMS_SignerInfo* signer(std::size_t index) const {
    if (index >= signerCount) return nullptr;
    return sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(contentInfo.get()), static_cast<int>(index));
  }

  X509* certificate(std::size_t index, const SignedData& data) {
    CMS_SignerInfo* info = signer(index);
    const auto algorithm = data.digestAlgorithm(index);
    if (!info || !algorithm) return nullptr;
    std::optional<X509*>& known = signerCertificates[index];
    if (!known) {
      ErrorQueueMark mark;
      known = signerCertificate(info, certificates.get(), *algorithm, keysLeft);
      CMS_SignerInfo_set1_signer_cert(info, *known);
    }
    return *known;
  }
};

std::optional<SignedData> SignedData::decode(std::span<const std::uint8_t> bytes,
                                             std::size_t maxCertificates) {
  ErrorQueueMark mark;
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(LONG_MAX)) return std::nullopt;
  if (!certificatesWithin(bytes, maxCertificates)) return std::nullopt;
  const unsigned char* cursor = bytes.data();
  ContentInfo contentInfo(d2i_CMS_ContentInfo(nullptr, &cursor, static_cast<long>(bytes.size())));
  if (!contentInfo || OBJ_obj2nid(CMS_get0_type(contentInfo.get())) != NID_pkcs7_signed) return std::nullopt;
  STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(contentInfo.get());
  if (!signers) return std::nullopt;

  auto parts = std::make_unique<Parts>();
  parts->certificates.reset(CMS_get1_certs(contentInfo.get()));
  parts->signerCount = static_cast<std::size_t>(std::max(sk_CMS_SignerInfo_num(signers), 0));
  parts->signerCertificates.resize(parts->signerCount);
  parts->keysLeft = static_cast<int>(std::min<std::size_t>(maxCertificates, 1024)) * 2;
  parts->contentInfo = std::move(contentInfo);
  return SignedData(std::move(parts));
}

SignedData::SignedData(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
SignedData::SignedData(SignedData&&) noexcept = default;
SignedData& SignedData::operator=(SignedData&&) noexcept = default;
SignedData::~SignedData() = default;

std::size_t SignedData::signerCount() const { return parts_->signerCount; }

std::optional<DigestAlgorithm> SignedData::digestAlgorithm(std::size_t index) const {
  CMS_SignerInfo* signer = parts_->signer(index);
  if (!signer) return std::nullopt;
  X509_ALGOR* algorithm = nullptr;
  CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, &algorithm, nullptr);
  const ASN1_OBJECT* object = nullptr;
  X509_ALGOR_get0(&object, nullptr, nullptr, algorithm);
  switch (OBJ_obj2nid(object)) {
    case NID_sha256:
      return DigestAlgorithm::sha256;
    case NID_sha384:
      return DigestAlgorithm::sha384;
    case NID_sha512:
      return DigestAlgorithm::sha512;
    default:
      return std::nullopt;
  }
}

std::optional<std::vector<std::uint8_t>> SignedData::messageDigest(std::size_t index) const {
  ErrorQueueMark mark;
  CMS_SignerInfo* signer = parts_->signer(index);
  if (!signer) return std::nullopt;
  const ASN1_STRING* octets = singleSignedValue(signer, NID_pkcs9_messageDigest, V_ASN1_OCTET_STRING);
  if (!octets) return std::nullopt;
  const unsigned char* data = ASN1_STRING_get0_data(octets);
  return std::vector<std::uint8_t>(data, data + ASN1_STRING_length(octets));
}

bool SignedData::signatureVerifies(std::size_t index) const {
  return parts_->certificate(index, *this) != nullptr;
}

std::optional<CertificateNames> SignedData::signerNames(std::size_t index) const {
  ErrorQueueMark mark;
  const X509* certificate = parts_->certificate(index, *this);
  if (!certificate) return std::nullopt;
  return namesOf(certificate);
}

namespace {

const ASN1_TIME* signingTimeOf(CMS_SignerInfo* signer) {
  if (!signer) return nullptr;
  const ASN1_TIME* time = singleSignedValue(signer, NID_pkcs9_signingTime, V_ASN1_UTCTIME);
  return time ? time : singleSignedValue(signer, NID_pkcs9_signingTime, V_ASN1_GENERALIZEDTIME);
}

}  // namespace

std::optional<SigningTime> SignedData::signingTime(std::size_t index) const {
  ErrorQueueMark mark;
  const ASN1_TIME* time = signingTimeOf(parts_->signer(index));
  if (!time) return std::nullopt;
  const auto* characters = reinterpret_cast<const char*>(ASN1_STRING_get0_data(time));
  return SigningTime{std::string(characters, static_cast<std::size_t>(ASN1_STRING_length(time))),
                     ASN1_STRING_type(time) == V_ASN1_GENERALIZEDTIME};
}

std::optional<PeriodPosition> SignedData::signingTimePosition(std::size_t index) const {
  ErrorQueueMark mark;
  const X509* certificate = parts_->certificate(index, *this);
  const ASN1_TIME* time = signingTimeOf(parts_->signer(index));
  if (!certificate || !time) return std::nullopt;
  const int fromStart = ASN1_TIME_compare(time, X509_get0_notBefore(certificate));
  const int fromEnd = ASN1_TIME_compare(time, X509_get0_notAfter(certificate));
  if (fromStart == -2 || fromEnd == -2) return std::nullopt;
  if (fromStart < 0) return PeriodPosition::before;
  if (fromEnd > 0) return PeriodPosition::after;
  return PeriodPosition::within;
}

SignerTrust SignedData::signerTrust(std::size_t index, const TrustStore& store,
                                    const OnlineAccess* online) const {
  ErrorQueueMark mark;
  X509* certificate = parts_->certificate(index, *this);
  if (!certificate) return SignerTrust{.chain = ChainOutcome::chainInvalid};
  std::time_t at = std::time(nullptr);
  std::tm parts{};
  if (const ASN1_TIME* time = signingTimeOf(parts_->signer(index));
      time && ASN1_TIME_to_tm(time, &parts) == 1)
    at = timegm(&parts);
  return judgeSigner(certificate, parts_->certificates.get(), store.parts(), at, online);
}

}  // namespace maravel::crypto
