#include "tools/signature_json.hpp"

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

const char* chainName(ChainTrust chain) { return chain == ChainTrust::trusted ? "trusted" : "untrustedRoot"; }

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
              {"certificatePeriod", periodName(signer.certificatePeriod)}};
}

}  // namespace

Json signatureJson(const SignatureInfo& signature) {
  // An unsigned document has no check to report: its outcome fields are
  // null rather than the model's defaults, which would read "verified".
  const auto checked = [&](const char* name) { return signature.isSigned ? Json(name) : Json(nullptr); };
  Json signers = Json::array();
  for (const Signer& signer : signature.signers) signers.push_back(signerJson(signer));
  return Json{{"isSigned", signature.isSigned},
              {"signerName", signature.signerName},
              {"tcNumber", signature.tcNumber},
              {"issuer", signature.issuer},
              {"signingDate", signature.signingDate},
              {"status", checked(statusName(signature.status))},
              {"chain", checked(chainName(signature.chain))},
              {"certificatePeriod", checked(periodName(signature.certificatePeriod))},
              {"signers", std::move(signers)}};
}

}  // namespace maravel::tools
