#include "platform/crypto/trust_store.hpp"

#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>

#include "platform/crypto/revocation_cache.hpp"
#include "platform/crypto/trust_store_parts.hpp"

namespace maravel::crypto {

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Bio = std::unique_ptr<BIO, Deleter<BIO_free>>;
using Store = std::unique_ptr<X509_STORE, Deleter<X509_STORE_free>>;
using StoreContext = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX_free>>;
using Pkcs7 = std::unique_ptr<PKCS7, Deleter<PKCS7_free>>;
using AccessList = std::unique_ptr<AUTHORITY_INFO_ACCESS, Deleter<AUTHORITY_INFO_ACCESS_free>>;

// --- Reading certificate files ----------------------------------------------------

// Every certificate of PEM text (one or several), or the one DER
// certificate the bytes hold.
void addCertificates(const Bytes& bytes, STACK_OF(X509) * out, std::size_t& budget) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.find("-----BEGIN") != std::string_view::npos) {
    Bio bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
    while (bio && budget > 0) {
      X509* certificate = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
      if (!certificate) break;
      if (sk_X509_push(out, certificate) <= 0) X509_free(certificate);
      --budget;
    }
    return;
  }
  const unsigned char* cursor = bytes.data();
  X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(bytes.size()));
  if (!certificate) return;
  if (budget == 0 || sk_X509_push(out, certificate) <= 0) {
    X509_free(certificate);
    return;
  }
  --budget;
}

std::optional<Bytes> readSmallFile(const fs::path& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error) || fs::file_size(path, error) > TrustStore::kMaxFileBytes || error)
    return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return std::nullopt;
  return bytes;
}

// The certificate files directly in `folder`, in name order (so that a
// run reads them alike whatever the file system's order).
void readFolder(const fs::path& folder, STACK_OF(X509) * out, std::size_t& budget) {
  std::error_code error;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(folder, error), end;
       !error && it != end && files.size() < TrustStore::kMaxFilesPerFolder; it.increment(error)) {
    if (it->is_regular_file(error)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    if (budget == 0) return;
    if (const auto bytes = readSmallFile(file)) addCertificates(*bytes, out, budget);
  }
}

// --- Names and addresses in certificates ---------------------------------------------

std::vector<std::string> caIssuersOf(const X509* certificate) {
  std::vector<std::string> urls;
  const AccessList access(
      static_cast<AUTHORITY_INFO_ACCESS*>(X509_get_ext_d2i(certificate, NID_info_access, nullptr, nullptr)));
  for (int i = 0; access && i < sk_ACCESS_DESCRIPTION_num(access.get()); ++i) {
    const ACCESS_DESCRIPTION* description = sk_ACCESS_DESCRIPTION_value(access.get(), i);
    if (OBJ_obj2nid(description->method) != NID_ad_ca_issuers || description->location->type != GEN_URI)
      continue;
    const ASN1_IA5STRING* uri = description->location->d.uniformResourceIdentifier;
    std::string url(reinterpret_cast<const char*>(ASN1_STRING_get0_data(uri)),
                    static_cast<std::size_t>(ASN1_STRING_length(uri)));
    if (url.starts_with("http://") || url.starts_with("https://")) urls.push_back(std::move(url));
  }
  return urls;
}

// The certificates a CA Issuers answer holds: one DER certificate, or a
// PKCS#7 "certs-only" bundle of them. Nothing else is accepted.
void addFetchedCertificates(const Bytes& bytes, STACK_OF(X509) * out) {
  const unsigned char* cursor = bytes.data();
  if (X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(bytes.size()))) {
    if (sk_X509_push(out, certificate) <= 0) X509_free(certificate);
    return;
  }
  cursor = bytes.data();
  const Pkcs7 bundle(d2i_PKCS7(nullptr, &cursor, static_cast<long>(bytes.size())));
  if (!bundle || !PKCS7_type_is_signed(bundle.get()) || !bundle->d.sign) return;
  STACK_OF(X509)* certificates = bundle->d.sign->cert;
  for (int i = 0; i < sk_X509_num(certificates) && i < 16; ++i) {
    X509* certificate = sk_X509_value(certificates, i);
    if (X509_up_ref(certificate) == 1 && sk_X509_push(out, certificate) <= 0) X509_free(certificate);
  }
}

// --- Qualification ---------------------------------------------------------------

void freeElements(STACK_OF(ASN1_TYPE) * elements) { sk_ASN1_TYPE_pop_free(elements, ASN1_TYPE_free); }
using Elements = std::unique_ptr<STACK_OF(ASN1_TYPE), Deleter<freeElements>>;

Elements sequence(const unsigned char* data, int length) {
  return Elements(d2i_ASN1_SEQUENCE_ANY(nullptr, &data, length));
}

// --- Judging a chain -----------------------------------------------------------------

constexpr int kMaxDepth = 16;
constexpr int kMaxIssuerFetches = 4;
constexpr std::size_t kMaxIssuerBytes = 1024 * 1024;

struct Judgement {
  ChainOutcome outcome = ChainOutcome::chainInvalid;
  X509* stuck = nullptr;   // the certificate whose issuer is missing
  CertificateStack chain;  // signer first, anchor last, when it reached one
};

ChainOutcome outcomeOf(int error) {
  switch (error) {
    case X509_V_OK:
      return ChainOutcome::trusted;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return ChainOutcome::issuerMissing;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return ChainOutcome::untrustedRoot;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return ChainOutcome::expiredAtSigning;
    default:
      return ChainOutcome::chainInvalid;
  }
}

Store storeOf(const TrustStore::Parts& parts) {
  Store store(X509_STORE_new());
  for (int i = 0; store && i < sk_X509_num(parts.anchors.get()); ++i)
    X509_STORE_add_cert(store.get(), sk_X509_value(parts.anchors.get(), i));
  return store;
}

Judgement judge(X509* signer, X509_STORE* store, STACK_OF(X509) * candidates, std::time_t at) {
  Judgement out;
  StoreContext context(X509_STORE_CTX_new());
  if (!context || X509_STORE_CTX_init(context.get(), store, signer, candidates) != 1) return out;
  X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context.get());
  // An office may trust an issuing certificate alone, without its root.
  X509_VERIFY_PARAM_set_flags(parameters, X509_V_FLAG_PARTIAL_CHAIN);
  X509_VERIFY_PARAM_set_time(parameters, at);
  X509_VERIFY_PARAM_set_depth(parameters, kMaxDepth);
  const bool verified = X509_verify_cert(context.get()) == 1;
  out.outcome = verified ? ChainOutcome::trusted : outcomeOf(X509_STORE_CTX_get_error(context.get()));
  if (out.outcome == ChainOutcome::issuerMissing) out.stuck = X509_STORE_CTX_get_current_cert(context.get());
  if (verified) out.chain.reset(X509_STORE_CTX_get1_chain(context.get()));
  if (out.outcome == ChainOutcome::trusted && !isQualified(signer)) out.outcome = ChainOutcome::notQualified;
  return out;
}

std::string hexSha256(const X509* certificate) {
  unsigned char hash[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (X509_digest(certificate, EVP_sha256(), hash, &size) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < size; ++i) {
    out += kHex[hash[i] >> 4];
    out += kHex[hash[i] & 15];
  }
  return out;
}

// Keeps the fetched certificates that the verified chain uses, named by
// their hash; the file appears whole or not at all.
void cacheIssuers(const TrustStore::Parts& parts, STACK_OF(X509) * chain, STACK_OF(X509) * fetched) {
  if (parts.issuerCache.empty()) return;
  std::error_code error;
  fs::create_directories(parts.issuerCache, error);
  for (int i = 1; i < sk_X509_num(chain); ++i) {
    X509* link = sk_X509_value(chain, i);
    bool wasFetched = false;
    for (int j = 0; j < sk_X509_num(fetched); ++j)
      wasFetched |= X509_cmp(link, sk_X509_value(fetched, j)) == 0;
    const std::string name = hexSha256(link);
    if (!wasFetched || name.empty()) continue;
    unsigned char* der = nullptr;
    const int size = i2d_X509(link, &der);
    if (size <= 0) continue;
    // Written whole or not at all, whatever other run keeps the same one.
    RevocationCache(parts.issuerCache)
        .keep(name + ".der", std::span<const std::uint8_t>(der, static_cast<std::size_t>(size)));
    OPENSSL_free(der);
  }
}

// Fetches the missing issuers named by CA Issuers addresses, at most
// kMaxIssuerFetches, until the chain is no longer missing one.
Judgement judgeOnline(X509* signer, X509_STORE* store, STACK_OF(X509) * candidates, std::time_t at,
                      const TrustStore::Parts& parts, const OnlineAccess& online, Judgement judged) {
  CertificateStack fetched(sk_X509_new_null());
  int fetches = 0;
  while (judged.outcome == ChainOutcome::issuerMissing && judged.stuck && fetches < kMaxIssuerFetches) {
    const int before = sk_X509_num(fetched.get());
    for (const std::string& url : caIssuersOf(judged.stuck)) {
      if (fetches++ >= kMaxIssuerFetches) break;
      if (const auto bytes = online.get(url, kMaxIssuerBytes)) addFetchedCertificates(*bytes, fetched.get());
      if (sk_X509_num(fetched.get()) > before) break;
    }
    if (sk_X509_num(fetched.get()) == before) break;
    for (int i = before; i < sk_X509_num(fetched.get()); ++i) {
      X509* certificate = sk_X509_value(fetched.get(), i);
      if (X509_up_ref(certificate) == 1 && sk_X509_push(candidates, certificate) <= 0) X509_free(certificate);
    }
    judged = judge(signer, store, candidates, at);
  }
  if (judged.chain) cacheIssuers(parts, judged.chain.get(), fetched.get());
  return judged;
}

}  // namespace

bool isQualified(const X509* certificate) {
  const int index = X509_get_ext_by_NID(certificate, NID_qcStatements, -1);
  if (index < 0) return false;
  const ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(X509_get_ext(certificate, index));
  const Elements statements = sequence(ASN1_STRING_get0_data(value), ASN1_STRING_length(value));
  static const unsigned char kQcCompliance[] = {0x04, 0x00, 0x8E, 0x46, 0x01, 0x01};  // 0.4.0.1862.1.1
  for (int i = 0; statements && i < sk_ASN1_TYPE_num(statements.get()); ++i) {
    const ASN1_TYPE* statement = sk_ASN1_TYPE_value(statements.get(), i);
    if (ASN1_TYPE_get(statement) != V_ASN1_SEQUENCE) continue;
    const ASN1_STRING* der = statement->value.sequence;
    const Elements fields = sequence(ASN1_STRING_get0_data(der), ASN1_STRING_length(der));
    if (!fields || sk_ASN1_TYPE_num(fields.get()) < 1) continue;
    const ASN1_TYPE* id = sk_ASN1_TYPE_value(fields.get(), 0);
    if (ASN1_TYPE_get(id) != V_ASN1_OBJECT) continue;
    const ASN1_OBJECT* object = id->value.object;
    if (OBJ_length(object) == sizeof kQcCompliance &&
        std::equal(kQcCompliance, kQcCompliance + sizeof kQcCompliance, OBJ_get0_data(object)))
      return true;
  }
  return false;
}

SignerTrust judgeSigner(X509* signer, STACK_OF(X509) * carried, const TrustStore::Parts& parts,
                        std::time_t signingTime, const OnlineAccess* online) {
  SignerTrust out;
  const Store store = storeOf(parts);
  CertificateStack candidates(sk_X509_new_null());
  if (!store || !candidates) return out;
  for (STACK_OF(X509) * source : {carried, parts.issuing.get()}) {
    for (int i = 0; i < sk_X509_num(source); ++i) {
      X509* certificate = sk_X509_value(source, i);
      if (X509_up_ref(certificate) == 1 && sk_X509_push(candidates.get(), certificate) <= 0)
        X509_free(certificate);
    }
  }
  Judgement judged = judge(signer, store.get(), candidates.get(), signingTime);
  if (online && online->get)
    judged =
        judgeOnline(signer, store.get(), candidates.get(), signingTime, parts, *online, std::move(judged));
  out.chain = judged.outcome;
  if ((online || !parts.revocationCache.empty()) && out.chain == ChainOutcome::trusted &&
      sk_X509_num(judged.chain.get()) >= 2) {
    SignerTrust revocation =
        revocationOf(signer, sk_X509_value(judged.chain.get(), 1), judged.chain.get(), store.get(),
                     signingTime, online, RevocationCache(parts.revocationCache));
    revocation.chain = out.chain;
    return revocation;
  }
  return out;
}

TrustStore TrustStore::load(const TrustPlaces& places) {
  ErrorQueueMark mark;
  auto parts = std::make_unique<Parts>();
  parts->issuerCache = places.issuerCache;
  parts->revocationCache = places.revocationCache;
  std::size_t budget = kMaxCertificates;
  for (const std::string& folder : places.anchorFolders) {
    readFolder(folder, parts->anchors.get(), budget);
    readFolder(fs::path(folder) / "roots", parts->anchors.get(), budget);
    readFolder(fs::path(folder) / "intermediates", parts->issuing.get(), budget);
  }
  if (!places.issuerCache.empty()) readFolder(places.issuerCache, parts->issuing.get(), budget);
  return TrustStore(std::move(parts));
}

TrustStore::TrustStore(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
TrustStore::TrustStore(TrustStore&&) noexcept = default;
TrustStore& TrustStore::operator=(TrustStore&&) noexcept = default;
TrustStore::~TrustStore() = default;

std::size_t TrustStore::anchorCount() const {
  return static_cast<std::size_t>(std::max(sk_X509_num(parts_->anchors.get()), 0));
}

}  // namespace maravel::crypto
