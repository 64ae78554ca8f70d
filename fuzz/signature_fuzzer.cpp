// sign.sgn bytes through the signature parser and the signature check (over
// a fixed content), and the outcome through the page's signature badge.
#include <algorithm>

#include "fuzz/fuzz_target.hpp"
#include "platform/text/text.hpp"
#include "reader/signature_parser.hpp"
#include "reader/signature_verifier.hpp"

namespace {

bool isKnownIssuer(const std::string& issuer) {
  for (const char* name : {"TÜBİTAK Kamu SM", "E-Tuğra", "TÜRKTRUST", "E-İmza TR", "TN Elektronik",
                           "Nitelikli Elektronik Sertifika (5070 s.K.)"}) {
    if (issuer == name) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace maravel;
  const SignatureInfo info = UDFSignatureParser::parseSignature({data, size});
  if (!info.isSigned) fuzz::fail("signature not marked signed");
  if (!isKnownIssuer(info.issuer)) fuzz::fail("unknown issuer", info.issuer);
  if (!info.tcNumber.empty() && info.tcNumber.size() != 11) fuzz::fail("identity number", info.tcNumber);
  if (info.signerName.size() > 119 || !text::isValidUTF8(info.signerName))
    fuzz::fail("signer", info.signerName);
  static constexpr std::uint8_t kContent[] = {'<', 't', 'e', 'm', 'p', 'l', 'a', 't', 'e', '/', '>'};
  UDFDocument doc;
  // No anchor at all: whatever the bytes hold, no signer may be trusted.
  doc.signature = SignatureVerifier::verify({data, size}, kContent, crypto::TrustPlaces{});
  if (doc.signature.status == SignatureStatus::verified)
    fuzz::fail("a signature verified over content it never saw");
  if (std::any_of(doc.signature.signers.begin(), doc.signature.signers.end(),
                  [](const Signer& s) { return s.chain == ChainTrust::trusted; }))
    fuzz::fail("a signer trusted without an anchor");
  if (doc.signature.status == SignatureStatus::unreadable && doc.signature.signers.size() != 0)
    fuzz::fail("signers named for a signature that could not be read");
  fuzz::checkPage(UDFHTMLRenderer::renderHTML(doc));
  return 0;
}
