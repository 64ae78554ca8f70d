// udfverify [--json] FILE...: checks the electronic signature of each .udf
// file against its content and prints one line per file, or one JSON array.
//
// Exit status: 0 when every file is a document whose signature is verified,
// 1 when any is not (changed, invalid, unreadable, unsigned, not a document
// or not readable), 2 for a usage error or output that cannot be written.

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
#include "reader/udf_parser.hpp"
#include "tools/signature_json.hpp"

namespace {

using namespace maravel;
using tools::Json;

constexpr std::string_view kUsage =
    "usage: udfverify [--json] FILE...\n"
    "Checks the electronic signature (sign.sgn) of each .udf FILE (- for standard input)\n"
    "against the document's content.xml and prints one line per file:\n"
    "  FILE: STATUS; signer NAME; signed DATE; chain CHAIN; certificate PERIOD\n"
    "followed, when the signature could be read, by one line per signer in signing order:\n"
    "  STATUS; signer NAME; tc NUMBER; signed DATE; issuer ISSUER; digest DIGEST; chain CHAIN;\n"
    "  certificate PERIOD\n"
    "STATUS is verified, contentChanged, signatureInvalid or unreadable for a signed\n"
    "document, unsigned for a document without a signature, notADocument when FILE holds\n"
    "no UYAP document and cannotRead when FILE cannot be read. CHAIN is trusted when the\n"
    "signer's certificate chains to a root of the system trust store, else untrustedRoot;\n"
    "PERIOD is the certificate's validity at the signing time (valid, notYetValid,\n"
    "expired, unknown). The file's line names the first signer; its STATUS is the worst of\n"
    "the signers', its CHAIN trusted only when every signer's is. A signer whose signature\n"
    "does not verify is named by nothing. Nothing is fetched from the network.\n"
    "  --json  print one JSON array with an object per file instead\n"
    "Exit status: 0 every file verified, 1 any file not verified, 2 usage or write error.\n";

struct Outcome {
  std::string file;
  std::string status;
  std::optional<SignatureInfo> signature;
  std::string error;  // why the file could not be read
};

Outcome check(const std::string& path) {
  const commandline::Input input = commandline::readInput(path);
  if (!input.bytes) return {path, "cannotRead", std::nullopt, input.error};
  // The signature and the exact content.xml bytes are all the check needs.
  auto signature = UDFParser::signature(*input.bytes);
  if (!signature) return {path, "notADocument", std::nullopt, {}};
  if (!signature->isSigned) return {path, "unsigned", std::nullopt, {}};
  const std::string status = tools::statusName(signature->status);
  return {path, status, std::move(signature), {}};
}

// "; LABEL VALUE" when there is a value.
// Control characters would break the one-line-per-file form, or act on a
// terminal.
using commandline::printable;

std::string field(const char* label, const std::string& value) {
  return value.empty() ? std::string() : std::string("; ") + label + " " + printable(value);
}

std::string checkFields(ChainTrust chain, CertificatePeriod period) {
  return std::string("; chain ") + tools::chainName(chain) + "; certificate " + tools::periodName(period);
}

std::string signerLine(const Signer& signer) {
  std::string out = std::string("  ") + tools::statusName(signer.status) + field("signer", signer.name) +
                    field("tc", signer.tcNumber) + field("signed", signer.signingDate) +
                    field("issuer", signer.issuer) +
                    field("digest", tools::digestName(signer.digestAlgorithm));
  // A signature that does not verify names no certificate to judge.
  if (signer.status == SignatureStatus::signatureInvalid) return out;
  return out + checkFields(signer.chain, signer.certificatePeriod);
}

std::string lines(const Outcome& outcome) {
  std::string out = printable(outcome.file) + ": " + outcome.status;
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
  bool asJson = false;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (std::string_view argument : arguments) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument == "--json") {
      asJson = true;
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

  bool allVerified = true;
  Json list = Json::array();
  commandline::Output output("-");
  output.open();
  commandline::OutputStream out(output);
  for (const std::string& file : files) {
    const Outcome outcome = check(file);
    allVerified = allVerified && outcome.status == "verified";
    if (!outcome.error.empty()) commandline::printError("udfverify", outcome.error);
    if (asJson) {
      list.push_back(json(outcome));
    } else {
      out << lines(outcome);
    }
  }
  if (asJson) out << list.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
  out.flush();
  if (!output.commit()) {
    commandline::printError("udfverify", output.error());
    return 2;
  }
  return allVerified ? 0 : 1;
}
