#include "tools/signature_json.hpp"

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

Json signatureJson(const SignatureInfo& signature) {
  // An unsigned document has no check to report: its outcome fields are
  // null rather than the model's defaults, which would read "verified".
  const auto checked = [&](const char* name) { return signature.isSigned ? Json(name) : Json(nullptr); };
  return Json{{"isSigned", signature.isSigned},
              {"signerName", signature.signerName},
              {"tcNumber", signature.tcNumber},
              {"issuer", signature.issuer},
              {"signingDate", signature.signingDate},
              {"status", checked(statusName(signature.status))},
              {"chain", checked(chainName(signature.chain))},
              {"certificatePeriod", checked(periodName(signature.certificatePeriod))}};
}

}  // namespace maravel::tools
