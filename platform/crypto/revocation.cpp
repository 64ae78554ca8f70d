// The revocation status of a signer certificate: an answer an earlier
// online check kept while it is current, else, only in an online check,
// OCSP first (small, signed answers) and the CRL when no OCSP answer
// settles it. Every answer, kept or fresh, is verified against the chain
// that made the signer trusted before it counts; a fresh one that counts
// is kept.
#include <openssl/ocsp.h>
#include <openssl/x509v3.h>

#include <ctime>

#include "platform/crypto/revocation_cache.hpp"
#include "platform/crypto/revocation_list.hpp"
#include "platform/crypto/trust_store_parts.hpp"

namespace maravel::crypto {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Request = std::unique_ptr<OCSP_REQUEST, Deleter<OCSP_REQUEST_free>>;
using Response = std::unique_ptr<OCSP_RESPONSE, Deleter<OCSP_RESPONSE_free>>;
using Basic = std::unique_ptr<OCSP_BASICRESP, Deleter<OCSP_BASICRESP_free>>;
using CertificateId = std::unique_ptr<OCSP_CERTID, Deleter<OCSP_CERTID_free>>;
void freeStrings(STACK_OF(OPENSSL_STRING) * strings) { X509_email_free(strings); }
using Strings = std::unique_ptr<STACK_OF(OPENSSL_STRING), Deleter<freeStrings>>;
void freeDistributionPoints(CRL_DIST_POINTS* points) { CRL_DIST_POINTS_free(points); }
using DistributionPoints = std::unique_ptr<CRL_DIST_POINTS, Deleter<freeDistributionPoints>>;

constexpr std::size_t kMaxOcspBytes = 1024 * 1024;
// CRLs of the big providers run to tens of megabytes.
constexpr std::size_t kMaxCrlBytes = 96 * 1024 * 1024;
constexpr std::size_t kMaxAddresses = 2;    // OCSP responders, then CRLs, tried each
constexpr long kClockSkewSeconds = 5 * 60;  // between the responder's clock and ours

bool isHttp(const std::string& url) { return url.starts_with("http://") || url.starts_with("https://"); }

std::string generalizedTime(const ASN1_TIME* time) {
  std::tm parts{};
  if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return {};
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &parts);
  return text;
}

SignerTrust revokedAt(const ASN1_TIME* when, std::time_t signingTime) {
  SignerTrust out;
  out.revocation = RevocationOutcome::revoked;
  out.revokedAt = generalizedTime(when);
  // A revocation at or before the claimed signing time: the key was not
  // the signer's to use any more.
  out.revokedBeforeSigning = X509_cmp_time(when, &signingTime) <= 0;
  return out;
}

std::vector<std::string> ocspAddresses(X509* certificate) {
  std::vector<std::string> urls;
  const Strings strings(X509_get1_ocsp(certificate));
  for (int i = 0; strings && i < sk_OPENSSL_STRING_num(strings.get()); ++i) {
    std::string url = sk_OPENSSL_STRING_value(strings.get(), i);
    if (isHttp(url)) urls.push_back(std::move(url));
  }
  return urls;
}

std::vector<std::string> crlAddresses(const X509* certificate) {
  std::vector<std::string> urls;
  const DistributionPoints points(static_cast<CRL_DIST_POINTS*>(
      X509_get_ext_d2i(certificate, NID_crl_distribution_points, nullptr, nullptr)));
  for (int i = 0; points && i < sk_DIST_POINT_num(points.get()); ++i) {
    const DIST_POINT* point = sk_DIST_POINT_value(points.get(), i);
    if (!point->distpoint || point->distpoint->type != 0) continue;
    const GENERAL_NAMES* names = point->distpoint->name.fullname;
    for (int j = 0; j < sk_GENERAL_NAME_num(names); ++j) {
      const GENERAL_NAME* name = sk_GENERAL_NAME_value(names, j);
      if (name->type != GEN_URI) continue;
      const ASN1_IA5STRING* uri = name->d.uniformResourceIdentifier;
      std::string url(reinterpret_cast<const char*>(ASN1_STRING_get0_data(uri)),
                      static_cast<std::size_t>(ASN1_STRING_length(uri)));
      if (isHttp(url)) urls.push_back(std::move(url));
    }
  }
  return urls;
}

// What one question is about, and what verifies its answers.
struct Question {
  X509* signer;
  X509* issuer;
  STACK_OF(X509) * chain;
  X509_STORE* store;
  std::time_t signingTime;
  const OCSP_CERTID* id;
};

// Whether an answer made at `thisUpdate` and good until `nextUpdate` may
// still be used: a fresh one as long as its next update has not passed, a
// kept one too, and a kept one without a next update only kReuseSeconds
// after it was made.
constexpr long kReuseSeconds = 60 * 60;

bool crlIsCurrent(const RevocationList& list, bool kept) {
  // X509_cmp_time: 1 later, -1 earlier, 0 a time that does not parse.
  if (list.nextUpdate) return X509_cmp_current_time(list.nextUpdate.get()) > 0;
  if (!kept) return true;
  std::time_t oldest = std::time(nullptr) - kReuseSeconds;
  return X509_cmp_time(list.thisUpdate.get(), &oldest) > 0;
}

// good or revoked from one DER OCSP response; nothing when it is no answer
// we can use (unsigned, stale, unknown, about another certificate).
std::optional<SignerTrust> ocspAnswer(const Bytes& der, const Question& q, bool kept) {
  const unsigned char* cursor = der.data();
  const Response response(d2i_OCSP_RESPONSE(nullptr, &cursor, static_cast<long>(der.size())));
  if (!response || OCSP_response_status(response.get()) != OCSP_RESPONSE_STATUS_SUCCESSFUL)
    return std::nullopt;
  const Basic basic(OCSP_response_get1_basic(response.get()));
  if (!basic || OCSP_basic_verify(basic.get(), q.chain, q.store, 0) != 1) return std::nullopt;
  int status = 0, reason = 0;
  ASN1_GENERALIZEDTIME *revoked = nullptr, *thisUpdate = nullptr, *nextUpdate = nullptr;
  if (OCSP_resp_find_status(basic.get(), const_cast<OCSP_CERTID*>(q.id), &status, &reason, &revoked,
                            &thisUpdate, &nextUpdate) != 1 ||
      OCSP_check_validity(thisUpdate, nextUpdate, kClockSkewSeconds,
                          kept && !nextUpdate ? kReuseSeconds : -1) != 1)
    return std::nullopt;
  if (status == V_OCSP_CERTSTATUS_REVOKED) return revokedAt(revoked, q.signingTime);
  if (status != V_OCSP_CERTSTATUS_GOOD) return std::nullopt;
  SignerTrust out;
  out.revocation = RevocationOutcome::good;
  return out;
}

// good or revoked from one DER CRL signed by the issuer and still current.
std::optional<SignerTrust> crlAnswer(const Bytes& der, const Question& q, bool kept) {
  const auto list = RevocationList::read(der, q.issuer, q.signer);
  if (!list || !crlIsCurrent(*list, kept)) return std::nullopt;
  if (list->revokedAt) return revokedAt(list->revokedAt.get(), q.signingTime);
  SignerTrust out;
  out.revocation = RevocationOutcome::good;
  return out;
}

std::optional<Bytes> ocspRequest(const OCSP_CERTID* id) {
  Request request(OCSP_REQUEST_new());
  OCSP_CERTID* copy = OCSP_CERTID_dup(id);
  if (!request || !copy || !OCSP_request_add0_id(request.get(), copy)) {
    OCSP_CERTID_free(copy);
    return std::nullopt;
  }
  unsigned char* der = nullptr;
  const int size = i2d_OCSP_REQUEST(request.get(), &der);
  if (size <= 0) return std::nullopt;
  Bytes body(der, der + size);
  OPENSSL_free(der);
  return body;
}

Bytes derOf(const OCSP_CERTID* id) {
  unsigned char* der = nullptr;
  const int size = i2d_OCSP_CERTID(const_cast<OCSP_CERTID*>(id), &der);
  if (size <= 0) return {};
  Bytes out(der, der + size);
  OPENSSL_free(der);
  return out;
}

std::string crlName(const std::string& url) {
  return RevocationCache::nameOf("crl", {reinterpret_cast<const std::uint8_t*>(url.data()), url.size()});
}

}  // namespace

SignerTrust revocationOf(X509* signer, X509* issuer, STACK_OF(X509) * chain, X509_STORE* store,
                         std::time_t signingTime, const OnlineAccess* online, const RevocationCache& cache) {
  ErrorQueueMark mark;
  SignerTrust out;
  out.revocation = online ? RevocationOutcome::unavailable : RevocationOutcome::notChecked;
  const CertificateId id(OCSP_cert_to_id(EVP_sha1(), signer, issuer));
  if (!id) return out;
  const Question question{signer, issuer, chain, store, signingTime, id.get()};
  std::vector<std::string> ocspUrls = ocspAddresses(signer), crlUrls = crlAddresses(signer);
  if (ocspUrls.size() > kMaxAddresses) ocspUrls.resize(kMaxAddresses);
  if (crlUrls.size() > kMaxAddresses) crlUrls.resize(kMaxAddresses);

  // What an earlier check learned, while it is current: the answer about
  // this certificate, then the CRLs it names.
  const std::string ocspName = RevocationCache::nameOf("ocsp", derOf(id.get()));
  if (const auto kept = cache.read(ocspName, kMaxOcspBytes))
    if (auto answer = ocspAnswer(*kept, question, true)) return *answer;
  for (const std::string& url : crlUrls)
    if (const auto kept = cache.read(crlName(url), kMaxCrlBytes))
      if (auto answer = crlAnswer(*kept, question, true)) return *answer;
  if (!online) return out;

  const auto body = ocspRequest(id.get());
  for (const std::string& url : ocspUrls) {
    if (!online->postOcsp || !body) break;
    const auto fetched = online->postOcsp(url, *body, kMaxOcspBytes);
    if (!fetched) continue;
    if (auto answer = ocspAnswer(*fetched, question, false)) {
      cache.keep(ocspName, *fetched);
      return *answer;
    }
  }
  for (const std::string& url : crlUrls) {
    if (!online->get) break;
    const auto fetched = online->get(url, kMaxCrlBytes);
    if (!fetched) continue;
    if (auto answer = crlAnswer(*fetched, question, false)) {
      cache.keep(crlName(url), *fetched);
      return *answer;
    }
  }
  return out;
}

}  // namespace maravel::crypto
