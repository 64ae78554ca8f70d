// The signature summary and its check as the tools print them.
#pragma once

#include <nlohmann/json.hpp>

#include "model/udf_document.hpp"

namespace maravel::tools {

using Json = nlohmann::ordered_json;

// The enumeration cases by their names in the model.
const char* statusName(SignatureStatus status);
const char* chainName(ChainTrust chain);
const char* periodName(CertificatePeriod period);
const char* digestName(DigestAlgorithm algorithm);

const char* revocationName(Revocation revocation);

// The ETSI EN 319 102-1 validation outcome: TOTAL-PASSED (no
// subIndication), INDETERMINATE or TOTAL-FAILED with a subIndication.
struct Indication {
  const char* indication;
  const char* subIndication;  // null with TOTAL-PASSED
};
Indication indicationOf(const Signer& signer);
// The worst of the signers' (FORMAT_FAILURE for an unreadable signature).
Indication indicationOf(const SignatureInfo& signature);

// One object whose keys are the field names of SignatureInfo; status, chain
// and certificatePeriod are null for an unsigned document. `signers` holds
// one object per signer, keyed by the field names of Signer. Each signer,
// and a signed document's signature, also carry `indication` and
// `subIndication`.
Json signatureJson(const SignatureInfo& signature);

}  // namespace maravel::tools
