// udf2docx: UDF documents as editable Word files that keep the paper's
// columns, indents, tables, header, footer and page numbers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "docx/docx_writer.hpp"
#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/commandline/conversion_command.hpp"
#include "platform/commandline/printable_text.hpp"
#include "platform/drawing/leak_suppressions.hpp"
#include "reader/udf_parser.hpp"

namespace {

constexpr int kWritten = 0;
constexpr int kNotADocument = 1;
constexpr int kNotWritten = 2;

constexpr std::string_view kHelp =
    "Usage: udf2docx [-o OUT] FILE\n"
    "       udf2docx [-d DIR] FILE...\n"
    "Writes each UDF document FILE as an editable Word file (.docx) with the\n"
    "document's tab columns, indents, tables, header, footer and page numbers:\n"
    "beside FILE with the extension .docx, or as given below. FILE - reads\n"
    "standard input and writes to standard output unless -o says otherwise.\n"
    "The copy carries no electronic signature.\n"
    "\n"
    "  -o OUT     write the copy to OUT (- for standard output); one FILE only\n"
    "  -d DIR     write every copy into the folder DIR, made when missing\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "With several files, a progress line per file goes to standard error when it\n"
    "is a terminal. No copy replaces a FILE of the run (by any name or link), nor\n"
    "one written before in the same run (a/karar.udf b/karar.udf -d DIR): such a\n"
    "copy is not written, and the others are.\n"
    "\n"
    "Exit status: 0 every copy was written, 1 some FILE is not a readable UDF\n"
    "document (the others are still written), 2 wrong usage or a copy could not\n"
    "be written.\n";

// What converting one file gave, as an exit status.
int convert(const std::string& file, const std::string& output) {
  const maravel::commandline::Input input = maravel::commandline::readInput(file);
  const auto doc = input.bytes ? maravel::UDFParser::parse(*input.bytes) : std::nullopt;
  if (!doc) {
    maravel::commandline::printError(
        "udf2docx", input.bytes ? "cannot convert " + file + ": not a readable UDF document" : input.error);
    return kNotADocument;
  }
  const std::string title = maravel::commandline::titleFor(file, "UDF Belgesi");
  const std::optional<std::vector<std::uint8_t>> copy = maravel::DocxWriter::bytes(*doc, title);
  if (!copy) {
    maravel::commandline::printError("udf2docx", "cannot make the copy of " + file);
    return kNotWritten;
  }
  if (const auto failure = maravel::commandline::writeOutput(output, *copy)) {
    maravel::commandline::printError("udf2docx", *failure);
    return kNotWritten;
  }
  return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  return maravel::commandline::runConversionCommand({"udf2docx", ".docx", kHelp, MARAVEL_VERSION, convert},
                                                    argc, argv);
}
