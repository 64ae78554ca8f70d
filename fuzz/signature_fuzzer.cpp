// sign.sgn bytes through the signature parser, and its summary through the
// page's signature badge.
#include "fuzz/fuzz_target.hpp"
#include "platform/text/text.hpp"
#include "reader/signature_parser.hpp"

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
  UDFDocument doc;
  doc.signature = info;
  fuzz::checkPage(UDFHTMLRenderer::renderHTML(doc));
  return 0;
}
