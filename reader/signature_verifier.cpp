#include "reader/signature_verifier.hpp"

#include <optional>

#include "platform/crypto/signed_data.hpp"

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

SignatureStatus statusOf(const SignedData& data, std::span<const std::uint8_t> content) {
  const std::size_t signers = data.signerCount();
  if (signers == 0 || signers > SignatureVerifier::kMaxCertificates) return SignatureStatus::unreadable;
  for (std::size_t i = 0; i < signers; ++i) {
    if (!isReadable(data, i)) return SignatureStatus::unreadable;
  }
  for (std::size_t i = 0; i < signers; ++i) {
    if (!data.signatureVerifies(i)) return SignatureStatus::signatureInvalid;
  }
  for (std::size_t i = 0; i < signers; ++i) {
    if (!contentMatches(data, i, content)) return SignatureStatus::contentChanged;
  }
  return SignatureStatus::verified;
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

}  // namespace

SignatureCheck SignatureVerifier::verify(std::span<const std::uint8_t> signature,
                                         std::span<const std::uint8_t> content) {
  SignatureCheck check;
  if (signature.size() > kMaxSignatureBytes) return check;
  const auto data = SignedData::decode(signature, kMaxCertificates);
  if (!data) return check;
  check.status = statusOf(*data, content);
  if (check.status == SignatureStatus::unreadable) return check;
  check.chain = data->chainsToSystemRoot(0, static_cast<int>(kMaxCertificates)) ? ChainTrust::trusted
                                                                                : ChainTrust::untrustedRoot;
  check.certificatePeriod = periodOf(data->signingTimePosition(0));
  return check;
}

}  // namespace maravel
