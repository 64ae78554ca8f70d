#include "reader/signature_verifier.hpp"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "platform/crypto/signed_data.hpp"
#include "platform/text/text.hpp"
#include "reader/signature_parser.hpp"

namespace maravel {

namespace {

using crypto::SignedData;

// The checks that need no key: what makes a signer unreadable.
bool isReadable(const SignedData& data, std::size_t signer) {
  return data.digestAlgorithm(signer) && data.messageDigest(signer);
}

bool contentMatches(const SignedData& data, std::size_t signer, std::span<const std::uint8_t> content) {
  const auto expected = data.messageDigest(signer);
  const auto actual = crypto::digest(*data.digestAlgorithm(signer), content);
  return expected && !actual.empty() && *expected == actual;
}

DigestAlgorithm digestOf(crypto::DigestAlgorithm algorithm) {
  switch (algorithm) {
    case crypto::DigestAlgorithm::sha384:
      return DigestAlgorithm::sha384;
    case crypto::DigestAlgorithm::sha512:
      return DigestAlgorithm::sha512;
    case crypto::DigestAlgorithm::sha256:
      break;
  }
  return DigestAlgorithm::sha256;
}

CertificatePeriod periodOf(std::optional<crypto::PeriodPosition> position) {
  if (!position) return CertificatePeriod::unknown;
  switch (*position) {
    case crypto::PeriodPosition::before:
      return CertificatePeriod::notYetValid;
    case crypto::PeriodPosition::after:
      return CertificatePeriod::expired;
    case crypto::PeriodPosition::within:
      break;
  }
  return CertificatePeriod::valid;
}

// The subject's serialNumber as an identity number: 11 digits, after a
// "TC" or "TR" that some authorities write before them.
std::string identityNumber(std::string_view serial) {
  if (serial.starts_with("TC") || serial.starts_with("TR")) serial.remove_prefix(2);
  const bool digits = std::all_of(serial.begin(), serial.end(), [](char c) { return c >= '0' && c <= '9'; });
  return serial.size() == 11 && digits ? std::string(serial) : std::string();
}

std::string displayName(const std::string& name) {
  return text::isValidUTF8(name) ? std::string(text::trimWhitespaceAndNewlines(name)) : std::string();
}

// A signer with the key its signing time sorts by: "YYYYMMDDhhmmss", absent
// when it has none that is checked.
struct Ordered {
  std::optional<std::string> key;
  Signer signer;
};

bool isTimeText(const std::string& value, std::size_t digits) {
  return value.size() >= digits &&
         std::all_of(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(digits),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The signing time formatted as the byte scan formats it, with its sort key.
void readSigningTime(const SignedData& data, std::size_t index, Ordered& out) {
  const auto time = data.signingTime(index);
  if (!time) return;
  if (time->generalized && isTimeText(time->value, 14)) {
    out.key = time->value.substr(0, 14);
    out.signer.signingDate = UDFSignatureParser::formatGenTime(time->value);
  } else if (!time->generalized && isTimeText(time->value, 12)) {
    out.key = "20" + time->value.substr(0, 12);  // the century the display writes
    out.signer.signingDate = UDFSignatureParser::formatUTCTime(time->value);
  }
}

ChainTrust chainOf(crypto::ChainOutcome outcome) {
  switch (outcome) {
    case crypto::ChainOutcome::trusted:
      return ChainTrust::trusted;
    case crypto::ChainOutcome::issuerMissing:
      return ChainTrust::issuerMissing;
    case crypto::ChainOutcome::notQualified:
      return ChainTrust::notQualified;
    case crypto::ChainOutcome::expiredAtSigning:
      return ChainTrust::expiredAtSigning;
    case crypto::ChainOutcome::chainInvalid:
      return ChainTrust::chainInvalid;
    case crypto::ChainOutcome::untrustedRoot:
      break;
  }
  return ChainTrust::untrustedRoot;
}

Revocation revocationOf(crypto::RevocationOutcome outcome) {
  switch (outcome) {
    case crypto::RevocationOutcome::good:
      return Revocation::good;
    case crypto::RevocationOutcome::revoked:
      return Revocation::revoked;
    case crypto::RevocationOutcome::unavailable:
      return Revocation::unavailable;
    case crypto::RevocationOutcome::notChecked:
      break;
  }
  return Revocation::notChecked;
}

// The store, read on first use: an unsigned or unverifiable signature
// never pays for it.
struct LazyStore {
  const crypto::TrustPlaces& places;
  std::optional<crypto::TrustStore> store;
  const crypto::TrustStore& get() {
    if (!store) store = crypto::TrustStore::load(places);
    return *store;
  }
};

void judge(const SignedData& data, std::size_t index, LazyStore& store, const crypto::OnlineAccess* online,
           Signer& signer) {
  const crypto::SignerTrust trust = data.signerTrust(index, store.get(), online);
  signer.chain = chainOf(trust.chain);
  signer.revocation = revocationOf(trust.revocation);
  if (trust.revocation == crypto::RevocationOutcome::revoked)
    signer.revokedAt = UDFSignatureParser::formatGenTime(trust.revokedAt);
  signer.revokedBeforeSigning = trust.revokedBeforeSigning;
}

Ordered checkSigner(const SignedData& data, std::size_t index, std::span<const std::uint8_t> content,
                    LazyStore& store, const crypto::OnlineAccess* online) {
  Ordered out;
  Signer& signer = out.signer;
  signer.digestAlgorithm = digestOf(*data.digestAlgorithm(index));
  if (!data.signatureVerifies(index)) {
    signer.status = SignatureStatus::signatureInvalid;
    return out;
  }
  signer.status =
      contentMatches(data, index, content) ? SignatureStatus::verified : SignatureStatus::contentChanged;
  const crypto::CertificateNames names = data.signerNames(index).value_or(crypto::CertificateNames{});
  signer.name = displayName(names.commonName);
  signer.tcNumber = identityNumber(names.serialNumber);
  signer.issuer = UDFSignatureParser::issuerName(names.issuer);
  readSigningTime(data, index, out);
  judge(data, index, store, online, signer);
  signer.certificatePeriod = periodOf(data.signingTimePosition(index));
  return out;
}

// Ranks from best to worst.
int severity(SignatureStatus status) {
  switch (status) {
    case SignatureStatus::contentChanged:
      return 1;
    case SignatureStatus::signatureInvalid:
      return 2;
    case SignatureStatus::unreadable:
      return 3;
    case SignatureStatus::verified:
      break;
  }
  return 0;
}

SignatureInfo summary(std::vector<Ordered> ordered) {
  std::stable_sort(ordered.begin(), ordered.end(), [](const Ordered& a, const Ordered& b) {
    if (a.key && b.key) return *a.key < *b.key;
    return a.key.has_value() && !b.key.has_value();
  });
  SignatureInfo info;
  info.isSigned = true;
  info.chain = ChainTrust::trusted;
  info.certificatePeriod = CertificatePeriod::valid;
  for (Ordered& entry : ordered) {
    const Signer& signer = entry.signer;
    if (severity(signer.status) > severity(info.status)) info.status = signer.status;
    if (info.chain == ChainTrust::trusted) info.chain = signer.chain;
    if (info.certificatePeriod == CertificatePeriod::valid) info.certificatePeriod = signer.certificatePeriod;
    info.signers.push_back(std::move(entry.signer));
  }
  const Signer& first = info.signers.front();
  info.signerName = first.name;
  info.tcNumber = first.tcNumber;
  info.issuer = first.issuer;
  info.signingDate = first.signingDate;
  return info;
}

// What can be shown of a signature that cannot be checked: the byte scan,
// under the status that says so.
SignatureInfo unreadable(std::span<const std::uint8_t> signature) {
  SignatureInfo info = UDFSignatureParser::parseSignature(signature);
  info.status = SignatureStatus::unreadable;
  return info;
}

}  // namespace

SignatureInfo SignatureVerifier::verify(std::span<const std::uint8_t> signature,
                                        std::span<const std::uint8_t> content) {
  return verify(signature, content, crypto::TrustPlaces::standard());
}

SignatureInfo SignatureVerifier::verify(std::span<const std::uint8_t> signature,
                                        std::span<const std::uint8_t> content,
                                        const crypto::TrustPlaces& places,
                                        const crypto::OnlineAccess* online) {
  if (signature.size() > kMaxSignatureBytes) return unreadable(signature);
  const auto data = SignedData::decode(signature, kMaxCertificates);
  if (!data) return unreadable(signature);
  const std::size_t count = data->signerCount();
  if (count == 0 || count > kMaxCertificates) return unreadable(signature);
  for (std::size_t i = 0; i < count; ++i) {
    if (!isReadable(*data, i)) return unreadable(signature);
  }
  std::vector<Ordered> signers;
  LazyStore store{places, std::nullopt};
  for (std::size_t i = 0; i < count; ++i) signers.push_back(checkSigner(*data, i, content, store, online));
  return summary(std::move(signers));
}

}  // namespace maravel
