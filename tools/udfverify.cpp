// udfverify [--json] [--online] [--trust DIR]... [--require-trusted] FILE...:
// checks the electronic signature of each .udf file against its content,
// judges who vouches for each signer, and prints one line per file (and
// one per signer), or one JSON array.
//
// Exit status: 0 when every file is a document whose signature is verified
// (with --require-trusted: and TOTAL-PASSED), 1 when any is not, 2 for a
// usage error or output that cannot be written.

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/udf_document.hpp"
#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/commandline/licence_notice.hpp"
#include "platform/commandline/printable_text.hpp"
#include "platform/crypto/trust_places.hpp"
#include "platform/net/http_fetch.hpp"
#include "reader/udf_parser.hpp"
#include "tools/signature_json.hpp"

namespace {

using namespace maravel;
using tools::Json;

constexpr std::string_view kUsage =
    "usage: udfverify [--json] [--online] [--trust DIR]... [--require-trusted] FILE...\n"
    "Checks the electronic signature (sign.sgn) of each .udf FILE (- for standard input)\n"
    "against the document's content.xml and prints one line per file:\n"
    "  FILE: STATUS; signer NAME; signed DATE; chain CHAIN; certificate PERIOD\n"
    "followed, when the signature could be read, by one line per signer in signing order:\n"
    "  STATUS; signer NAME; tc NUMBER; signed DATE; issuer ISSUER; digest DIGEST; chain CHAIN;\n"
    "  certificate PERIOD; revocation REVOCATION\n"
    "STATUS is verified, contentChanged, signatureInvalid or unreadable for a signed\n"
    "document, unsigned for a document without a signature, notADocument when FILE holds\n"
    "no UYAP document and cannotRead when FILE cannot be read. CHAIN says whether a\n"
    "certification authority we trust vouches for the signer, at the signing time:\n"
    "trusted (chains to an anchor and is a qualified certificate), issuerMissing,\n"
    "untrustedRoot, notQualified, expiredAtSigning or chainInvalid. The anchors are the\n"
    "certificates in /usr/share/maravel/trust, /etc/maravel/trust and\n"
    "$XDG_CONFIG_HOME/maravel/trust; nothing in a document is ever one. PERIOD is the\n"
    "certificate's validity at the signing time (valid, notYetValid, expired, unknown);\n"
    "REVOCATION is notChecked, good, revoked (revoked DATE follows) or unavailable.\n"
    "The file's line names the first signer; its STATUS is the worst of the signers', its\n"
    "CHAIN trusted only when every signer's is. A signer whose signature does not verify is\n"
    "named by nothing. Fields are escaped: a backslash, a semicolon and a control\n"
    "character in a value are written \\\\, \\; and \\xHH. Nothing is fetched from the\n"
    "network unless --online is given.\n"
    "  --json             print one JSON array with an object per file instead, with the\n"
    "                     ETSI indication and subIndication of each signature and signer\n"
    "  --online           fetch missing issuing certificates (CA Issuers addresses; kept\n"
    "                     in $XDG_CACHE_HOME/maravel/issuers when they chain to an anchor)\n"
    "                     and ask each trusted signer's revocation (OCSP, else the CRL);\n"
    "                     the answers are kept in $XDG_CACHE_HOME/maravel/revocation and,\n"
    "                     with or without --online, used again until their next update\n"
    "  --trust DIR        use the certificates in DIR as the only anchors (repeatable)\n"
    "  --require-trusted  exit 0 only when every signature is TOTAL-PASSED\n"
    "Exit status: 0 every file verified, 1 any file not verified, 2 usage or write error.\n";

struct Outcome {
  std::string file;
  std::string status;
  std::optional<SignatureInfo> signature;
  std::string error;  // why the file could not be read
};

struct Settings {
  bool asJson = false;
  bool online = false;
  bool requireTrusted = false;
  std::vector<std::string> trust;  // replacing the anchor folders when given
};

Outcome check(const std::string& path, const crypto::TrustPlaces& places,
              const crypto::OnlineAccess* online) {
  const commandline::Input input = commandline::readInput(path);
  if (!input.bytes) return {path, "cannotRead", std::nullopt, input.error};
  // The signature and the exact content.xml bytes are all the check needs.
  auto signature = UDFParser::signature(*input.bytes, places, online);
  if (!signature) return {path, "notADocument", std::nullopt, {}};
  if (!signature->isSigned) return {path, "unsigned", std::nullopt, {}};
  const std::string status = tools::statusName(signature->status);
  return {path, status, std::move(signature), {}};
}

// A value as one field of a line: a line holds exactly the fields it
// names, whatever a certificate or a file name holds. Backslash, the
// separator's semicolon (and the file name's colon) are escaped with a
// backslash, and everything a terminal would act on as every message
// escapes it, so that no value ends a field or a line.
std::string escaped(const std::string& text, bool colon = false) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == ';' || (colon && c == ':')) out += '\\';
    out += c;
  }
  return commandline::printable(out);
}

// "; LABEL VALUE" when there is a value.
// Control characters would break the one-line-per-file form, or act on a
// terminal.
using commandline::printable;

std::string field(const char* label, const std::string& value) {
  return value.empty() ? std::string() : std::string("; ") + label + " " + escaped(value);
}

std::string checkFields(ChainTrust chain, CertificatePeriod period) {
  return std::string("; chain ") + tools::chainName(chain) + "; certificate " + tools::periodName(period);
}

std::string revocationFields(const Signer& signer) {
  return std::string("; revocation ") + tools::revocationName(signer.revocation) +
         field("revoked", signer.revokedAt);
}

std::string signerLine(const Signer& signer) {
  std::string out = std::string("  ") + tools::statusName(signer.status) + field("signer", signer.name) +
                    field("tc", signer.tcNumber) + field("signed", signer.signingDate) +
                    field("issuer", signer.issuer) +
                    field("digest", tools::digestName(signer.digestAlgorithm));
  // A signature that does not verify names no certificate to judge.
  if (signer.status == SignatureStatus::signatureInvalid) return out;
  return out + checkFields(signer.chain, signer.certificatePeriod) + revocationFields(signer);
}

std::string lines(const Outcome& outcome) {
  std::string out = escaped(outcome.file, true) + ": " + outcome.status;
  if (!outcome.signature) return out + "\n";
  const SignatureInfo& signature = *outcome.signature;
  out += field("signer", signature.signerName) + field("signed", signature.signingDate);
  // An unreadable signature names no certificate to judge.
  if (signature.status == SignatureStatus::unreadable) return out + "\n";
  out += checkFields(signature.chain, signature.certificatePeriod) + "\n";
  for (const Signer& signer : signature.signers) out += signerLine(signer) + "\n";
  return out;
}

Json json(const Outcome& outcome) {
  return Json{{"file", outcome.file},
              {"status", outcome.status},
              {"signature", outcome.signature ? tools::signatureJson(*outcome.signature) : Json(nullptr)}};
}

}  // namespace

int main(int argc, char** argv) {
  commandline::prepareOutputs();
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  if (arguments.size() == 1 && arguments[0] == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    std::cout << "udfverify " << MARAVEL_VERSION << "\n" << commandline::kLicenceNotice;
    return 0;
  }
  Settings settings;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument == "--json") {
      settings.asJson = true;
    } else if (!optionsEnded && argument == "--online") {
      settings.online = true;
    } else if (!optionsEnded && argument == "--require-trusted") {
      settings.requireTrusted = true;
    } else if (!optionsEnded && argument == "--trust" && i + 1 < arguments.size()) {
      settings.trust.emplace_back(arguments[++i]);
    } else if (!optionsEnded && argument.starts_with("-") && argument != "-") {
      commandline::printError("udfverify", "unknown option " + std::string(argument));
      std::cerr << kUsage;
      return 2;
    } else {
      files.emplace_back(argument);
    }
  }
  if (files.empty()) {
    std::cerr << kUsage;
    return 2;
  }

  const crypto::TrustPlaces places = settings.trust.empty()
                                         ? crypto::TrustPlaces::standard()
                                         : crypto::TrustPlaces::replacingAnchors(settings.trust);
  const crypto::OnlineAccess access = settings.online ? net::onlineAccess() : crypto::OnlineAccess{};
  bool allVerified = true;
  Json list = Json::array();
  commandline::Output output("-");
  output.open();
  commandline::OutputStream out(output);
  for (const std::string& file : files) {
    const Outcome outcome = check(file, places, settings.online ? &access : nullptr);
    allVerified = allVerified && outcome.status == "verified" &&
                  (!settings.requireTrusted ||
                   std::string_view(tools::indicationOf(*outcome.signature).indication) == "TOTAL-PASSED");
    if (!outcome.error.empty()) commandline::printError("udfverify", outcome.error);
    if (settings.asJson) {
      list.push_back(json(outcome));
    } else {
      out << lines(outcome);
    }
  }
  if (settings.asJson) out << list.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
  out.flush();
  if (!output.commit()) {
    commandline::printError("udfverify", output.error());
    return 2;
  }
  return allVerified ? 0 : 1;
}
