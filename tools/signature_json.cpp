#include "tools/signature_json.hpp"

#include <string_view>
#include <utility>

namespace maravel::tools {

const char* statusName(SignatureStatus status) {
  switch (status) {
    case SignatureStatus::contentChanged:
      return "contentChanged";
    case SignatureStatus::signatureInvalid:
      return "signatureInvalid";
    case SignatureStatus::unreadable:
      return "unreadable";
    case SignatureStatus::verified:
      break;
  }
  return "verified";
}

const char* chainName(ChainTrust chain) {
  switch (chain) {
    case ChainTrust::trusted:
      return "trusted";
    case ChainTrust::issuerMissing:
      return "issuerMissing";
    case ChainTrust::notQualified:
      return "notQualified";
    case ChainTrust::expiredAtSigning:
      return "expiredAtSigning";
    case ChainTrust::chainInvalid:
      return "chainInvalid";
    case ChainTrust::untrustedRoot:
      break;
  }
  return "untrustedRoot";
}

const char* revocationName(Revocation revocation) {
  switch (revocation) {
    case Revocation::good:
      return "good";
    case Revocation::revoked:
      return "revoked";
    case Revocation::unavailable:
      return "unavailable";
    case Revocation::notChecked:
      break;
  }
  return "notChecked";
}

namespace {

constexpr const char* kPassed = "TOTAL-PASSED";
constexpr const char* kIndeterminate = "INDETERMINATE";
constexpr const char* kFailed = "TOTAL-FAILED";

Indication chainIndication(const Signer& signer) {
  switch (signer.chain) {
    case ChainTrust::issuerMissing:
    case ChainTrust::untrustedRoot:
      return {kIndeterminate, "NO_CERTIFICATE_CHAIN_FOUND"};
    case ChainTrust::notQualified:
      return {kIndeterminate, "CHAIN_CONSTRAINTS_FAILURE"};
    case ChainTrust::expiredAtSigning:
      return {kIndeterminate, signer.certificatePeriod == CertificatePeriod::notYetValid
                                  ? "NOT_YET_VALID"
                                  : "OUT_OF_BOUNDS_NO_POE"};
    case ChainTrust::chainInvalid:
      return {kIndeterminate, "CERTIFICATE_CHAIN_GENERAL_FAILURE"};
    case ChainTrust::trusted:
      break;
  }
  return {kPassed, nullptr};
}

int rank(const Indication& indication) {
  const std::string_view name = indication.indication;
  return name == kFailed ? 2 : name == kIndeterminate ? 1 : 0;
}

Json orNull(const char* text) { return text ? Json(text) : Json(nullptr); }

}  // namespace

Indication indicationOf(const Signer& signer) {
  if (signer.status == SignatureStatus::contentChanged) return {kFailed, "HASH_FAILURE"};
  if (signer.status != SignatureStatus::verified) return {kFailed, "SIG_CRYPTO_FAILURE"};
  const Indication chain = chainIndication(signer);
  if (rank(chain) > 0) return chain;
  switch (signer.revocation) {
    case Revocation::revoked:
      // Revoked after the claimed signing time, no trusted time proves the
      // signature came first.
      return signer.revokedBeforeSigning ? Indication{kFailed, "REVOKED"}
                                         : Indication{kIndeterminate, "REVOKED_NO_POE"};
    case Revocation::unavailable:
      return {kIndeterminate, "TRY_LATER"};
    case Revocation::good:
    case Revocation::notChecked:
      break;
  }
  return {kPassed, nullptr};
}

Indication indicationOf(const SignatureInfo& signature) {
  if (signature.status == SignatureStatus::unreadable || signature.signers.empty())
    return {kIndeterminate, "FORMAT_FAILURE"};
  Indication worst{kPassed, nullptr};
  for (const Signer& signer : signature.signers) {
    const Indication own = indicationOf(signer);
    if (rank(own) > rank(worst)) worst = own;
  }
  return worst;
}

const char* periodName(CertificatePeriod period) {
  switch (period) {
    case CertificatePeriod::valid:
      return "valid";
    case CertificatePeriod::notYetValid:
      return "notYetValid";
    case CertificatePeriod::expired:
      return "expired";
    case CertificatePeriod::unknown:
      break;
  }
  return "unknown";
}

const char* digestName(DigestAlgorithm algorithm) {
  switch (algorithm) {
    case DigestAlgorithm::sha384:
      return "sha384";
    case DigestAlgorithm::sha512:
      return "sha512";
    case DigestAlgorithm::sha256:
      break;
  }
  return "sha256";
}

namespace {

Json signerJson(const Signer& signer) {
  return Json{{"name", signer.name},
              {"tcNumber", signer.tcNumber},
              {"issuer", signer.issuer},
              {"signingDate", signer.signingDate},
              {"digestAlgorithm", digestName(signer.digestAlgorithm)},
              {"status", statusName(signer.status)},
              {"chain", chainName(signer.chain)},
              {"certificatePeriod", periodName(signer.certificatePeriod)},
              {"revocation", revocationName(signer.revocation)},
              {"revokedAt", signer.revokedAt},
              {"indication", indicationOf(signer).indication},
              {"subIndication", orNull(indicationOf(signer).subIndication)}};
}

}  // namespace

Json signatureJson(const SignatureInfo& signature) {
  // An unsigned document has no check to report: its outcome fields are
  // null rather than the model's defaults, which would read "verified".
  const auto checked = [&](const char* name) { return signature.isSigned ? Json(name) : Json(nullptr); };
  Json signers = Json::array();
  for (const Signer& signer : signature.signers) signers.push_back(signerJson(signer));
  Json out{{"isSigned", signature.isSigned},
           {"signerName", signature.signerName},
           {"tcNumber", signature.tcNumber},
           {"issuer", signature.issuer},
           {"signingDate", signature.signingDate},
           {"status", checked(statusName(signature.status))},
           {"chain", checked(chainName(signature.chain))},
           {"certificatePeriod", checked(periodName(signature.certificatePeriod))}};
  // Only a signature has an indication: an unsigned document's object keeps its shape.
  if (signature.isSigned) {
    const Indication indication = indicationOf(signature);
    out["indication"] = indication.indication;
    out["subIndication"] = orNull(indication.subIndication);
  }
  out["signers"] = std::move(signers);
  return out;
}

}  // namespace maravel::tools
