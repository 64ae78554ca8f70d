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
  return Json{
      {"isSigned", signature.isSigned},       {"signerName", signature.signerName},
      {"tcNumber", signature.tcNumber},       {"issuer", signature.issuer},
      {"signingDate", signature.signingDate}, {"status", statusName(signature.status)},
      {"chain", chainName(signature.chain)},  {"certificatePeriod", periodName(signature.certificatePeriod)}};
}

}  // namespace maravel::tools
