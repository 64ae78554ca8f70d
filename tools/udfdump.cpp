// udfdump FILE: prints the document that the reader makes of a .udf file (or
// of standard input for "-") as one JSON object (see tools/document_json.hpp).
//
// Exit status: 0 with a document, 1 when the reader yields no document,
// 2 for a usage error, a file that cannot be read or output that cannot be
// written.

#include <iostream>
#include <string>
#include <string_view>

#include "model/udf_document.hpp"
#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/commandline/licence_notice.hpp"
#include "platform/commandline/printable_text.hpp"
#include "platform/process/document_heap.hpp"
#include "reader/udf_parser.hpp"
#include "tools/document_json.hpp"

namespace {

using namespace maravel;

constexpr std::string_view kUsage =
    "usage: udfdump FILE\n"
    "Prints the document read from the .udf file FILE (- for standard input) as JSON.\n"
    "Exit status: 0 document printed, 1 no document in the file, 2 usage, read or write error.\n";

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  commandline::prepareOutputs();
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::cout << "udfdump " << MARAVEL_VERSION << "\n" << commandline::kLicenceNotice;
    return 0;
  }
  const std::string_view argument = argc == 2 ? argv[1] : "";
  if (argc != 2 || (argument.starts_with("-") && argument != "-")) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string path = argv[1];
  const commandline::Input input = commandline::readInput(path);
  if (!input.bytes) {
    commandline::printError("udfdump", input.error);
    return 2;
  }
  process::reserveDocumentHeap(input.bytes->size());
  auto doc = UDFParser::parse(*input.bytes);
  if (!doc) {
    commandline::printError("udfdump", path + " holds no readable document");
    return 1;
  }
  commandline::Output output("-");
  output.open();
  {
    commandline::OutputStream stream(output);
    tools::DocumentJson::write(*doc, stream);
    stream << "\n";
  }
  if (!output.commit()) {
    commandline::printError("udfdump", output.error());
    return 2;
  }
  return 0;
}
