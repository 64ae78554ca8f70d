// The revocation status of a signer certificate, asked only by an online
// check: OCSP first (small, signed answers), the CRL when no OCSP answer
// settles it. Every answer is verified against the chain that made the
// signer trusted before it counts.
#include <openssl/ocsp.h>
#include <openssl/x509v3.h>

#include <ctime>

#include "platform/crypto/trust_store_parts.hpp"

namespace maravel::crypto {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Request = std::unique_ptr<OCSP_REQUEST, Deleter<OCSP_REQUEST_free>>;
using Response = std::unique_ptr<OCSP_RESPONSE, Deleter<OCSP_RESPONSE_free>>;
using Basic = std::unique_ptr<OCSP_BASICRESP, Deleter<OCSP_BASICRESP_free>>;
using CertificateId = std::unique_ptr<OCSP_CERTID, Deleter<OCSP_CERTID_free>>;
using Crl = std::unique_ptr<X509_CRL, Deleter<X509_CRL_free>>;
void freeStrings(STACK_OF(OPENSSL_STRING) * strings) { X509_email_free(strings); }
using Strings = std::unique_ptr<STACK_OF(OPENSSL_STRING), Deleter<freeStrings>>;
void freeDistributionPoints(CRL_DIST_POINTS* points) { CRL_DIST_POINTS_free(points); }
using DistributionPoints = std::unique_ptr<CRL_DIST_POINTS, Deleter<freeDistributionPoints>>;

constexpr std::size_t kMaxOcspBytes = 1024 * 1024;
// CRLs of the big providers run to tens of megabytes.
constexpr std::size_t kMaxCrlBytes = 96 * 1024 * 1024;
constexpr int kMaxAddresses = 2;            // OCSP responders, then CRLs, tried each
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

// good or revoked from one responder; nothing when it gives no answer we
// can use (down, unsigned, stale, unknown).
std::optional<SignerTrust> askOcsp(const std::string& url, X509* signer, X509* issuer, STACK_OF(X509) * chain,
                                   X509_STORE* store, std::time_t signingTime, const OnlineAccess& online) {
  Request request(OCSP_REQUEST_new());
  OCSP_CERTID* id = OCSP_cert_to_id(EVP_sha1(), signer, issuer);
  if (!request || !id || !OCSP_request_add0_id(request.get(), id)) {
    OCSP_CERTID_free(id);
    return std::nullopt;
  }
  unsigned char* der = nullptr;
  const int size = i2d_OCSP_REQUEST(request.get(), &der);
  if (size <= 0) return std::nullopt;
  const Bytes body(der, der + size);
  OPENSSL_free(der);
  const auto answer = online.postOcsp(url, body, kMaxOcspBytes);
  if (!answer) return std::nullopt;
  const unsigned char* cursor = answer->data();
  const Response response(d2i_OCSP_RESPONSE(nullptr, &cursor, static_cast<long>(answer->size())));
  if (!response || OCSP_response_status(response.get()) != OCSP_RESPONSE_STATUS_SUCCESSFUL)
    return std::nullopt;
  const Basic basic(OCSP_response_get1_basic(response.get()));
  if (!basic || OCSP_basic_verify(basic.get(), chain, store, 0) != 1) return std::nullopt;
  int status = 0, reason = 0;
  ASN1_GENERALIZEDTIME *revoked = nullptr, *thisUpdate = nullptr, *nextUpdate = nullptr;
  const CertificateId wanted(OCSP_cert_to_id(EVP_sha1(), signer, issuer));
  if (!wanted ||
      OCSP_resp_find_status(basic.get(), wanted.get(), &status, &reason, &revoked, &thisUpdate,
                            &nextUpdate) != 1 ||
      OCSP_check_validity(thisUpdate, nextUpdate, kClockSkewSeconds, -1) != 1)
    return std::nullopt;
  if (status == V_OCSP_CERTSTATUS_REVOKED) return revokedAt(revoked, signingTime);
  if (status != V_OCSP_CERTSTATUS_GOOD) return std::nullopt;
  SignerTrust out;
  out.revocation = RevocationOutcome::good;
  return out;
}

// good or revoked from one CRL signed by the issuer and still current.
std::optional<SignerTrust> askCrl(const std::string& url, X509* signer, X509* issuer, std::time_t signingTime,
                                  const OnlineAccess& online) {
  const auto answer = online.get(url, kMaxCrlBytes);
  if (!answer) return std::nullopt;
  const unsigned char* cursor = answer->data();
  const Crl crl(d2i_X509_CRL(nullptr, &cursor, static_cast<long>(answer->size())));
  if (!crl || X509_NAME_cmp(X509_CRL_get_issuer(crl.get()), X509_get_subject_name(issuer)) != 0 ||
      X509_CRL_verify(crl.get(), X509_get0_pubkey(issuer)) != 1)
    return std::nullopt;
  const ASN1_TIME* next = X509_CRL_get0_nextUpdate(crl.get());
  if (next && X509_cmp_current_time(next) < 0) return std::nullopt;  // stale
  X509_REVOKED* entry = nullptr;
  if (X509_CRL_get0_by_cert(crl.get(), &entry, signer) == 1 && entry)
    return revokedAt(X509_REVOKED_get0_revocationDate(entry), signingTime);
  SignerTrust out;
  out.revocation = RevocationOutcome::good;
  return out;
}

}  // namespace

SignerTrust revocationOf(X509* signer, X509* issuer, STACK_OF(X509) * chain, X509_STORE* store,
                         std::time_t signingTime, const OnlineAccess& online) {
  ErrorQueueMark mark;
  int tried = 0;
  for (const std::string& url : ocspAddresses(signer)) {
    if (!online.postOcsp || tried++ >= kMaxAddresses) break;
    if (auto answer = askOcsp(url, signer, issuer, chain, store, signingTime, online)) return *answer;
  }
  tried = 0;
  for (const std::string& url : crlAddresses(signer)) {
    if (!online.get || tried++ >= kMaxAddresses) break;
    if (auto answer = askCrl(url, signer, issuer, signingTime, online)) return *answer;
  }
  SignerTrust out;
  out.revocation = RevocationOutcome::unavailable;
  return out;
}

}  // namespace maravel::crypto
