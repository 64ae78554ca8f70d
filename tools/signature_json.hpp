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

// One object whose keys are the field names of SignatureInfo; status, chain
// and certificatePeriod are null for an unsigned document. `signers` holds
// one object per signer, keyed by the field names of Signer.
Json signatureJson(const SignatureInfo& signature);

}  // namespace maravel::tools
