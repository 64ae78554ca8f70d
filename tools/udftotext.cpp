// udftotext FILE: the text of a UDF document in reading order, for search
// tools and shells.
#include <cstdint>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/commandline/licence_notice.hpp"
#include "platform/commandline/output_guard.hpp"
#include "platform/commandline/printable_text.hpp"
#include "platform/process/document_heap.hpp"
#include "reader/udf_parser.hpp"
#include "tools/plain_text_writer.hpp"

namespace {

constexpr int kWritten = 0;
constexpr int kNotADocument = 1;
constexpr int kUsage = 2;

constexpr std::string_view kHelp =
    "Usage: udftotext [-o OUT] FILE\n"
    "Writes the text of the UDF document FILE (- for standard input) to standard\n"
    "output, or to OUT: header, body and footer in reading order, tables cell by\n"
    "cell and row by row, one line per paragraph, tabs kept, UTF-8.\n"
    "\n"
    "  -o OUT     write the text to OUT (- for standard output)\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 the text was written, 1 FILE is not a readable UDF document,\n"
    "2 wrong usage or the text could not be written.\n";

int usageError(std::string_view message) {
  maravel::commandline::printError("udftotext", std::string(message) + " (try --help)");
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  maravel::commandline::prepareOutputs();
  std::optional<std::string> file;
  std::optional<std::string> output;
  bool optionsEnded = false;  // after "--" every argument is a file name
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      if (arg == "--") {
        optionsEnded = true;
      } else if (arg == "--help" || arg == "-h") {
        std::cout << kHelp;
        return kWritten;
      } else if (arg == "--version") {
        std::cout << "udftotext " << MARAVEL_VERSION << "\n" << maravel::commandline::kLicenceNotice;
        return kWritten;
      } else if (arg == "-o") {
        if (i + 1 >= argc) return usageError("-o needs a file name");
        output = argv[++i];
      } else {
        return usageError("unknown option " + std::string(arg));
      }
      continue;
    }
    if (file) return usageError("one file at a time");
    file = argv[i];
  }
  if (!file) return usageError("no file given");
  // The text never replaces the document it is made from.
  if (const auto refused = maravel::commandline::OutputGuard({*file}).refusal(*file, output.value_or("-"))) {
    maravel::commandline::printError("udftotext", *refused);
    return kUsage;
  }

  const maravel::commandline::Input input = maravel::commandline::readInput(*file);
  if (input.bytes) maravel::process::reserveDocumentHeap(input.bytes->size());
  // The text shows no signature: its check (a digest of all of content.xml) is left out.
  using maravel::UDFParser;
  auto doc = input.bytes ? UDFParser::parse(*input.bytes, UDFParser::Signature::skipped) : std::nullopt;
  if (!doc) {
    maravel::commandline::printError(
        "udftotext", input.bytes ? "cannot read " + *file + ": not a readable UDF document" : input.error);
    return kNotADocument;
  }
  // The text is written as it is made, and the text block (which the text
  // repeats) is let go first: a large document's text is never held twice.
  std::string().swap(doc->rawText);
  maravel::commandline::Output out(output.value_or("-"));
  const bool written =
      out.open() &&
      maravel::PlainTextWriter::write(
          *doc,
          [&](std::string_view piece) {
            return out.write(std::span(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()));
          }) &&
      out.commit();
  if (!written) {
    maravel::commandline::printError("udftotext", out.error());
    return kUsage;
  }
  return kWritten;
}
