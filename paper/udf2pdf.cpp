// udf2pdf: UDF documents as PDF files, laid out on their paper the way the
// preview page shows them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paper/pdf_writer.hpp"
#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/commandline/conversion_command.hpp"
#include "platform/commandline/printable_text.hpp"
#include "platform/fonts/font_face.hpp"
#include "reader/udf_parser.hpp"

namespace {

constexpr int kWritten = 0;
constexpr int kNotADocument = 1;
constexpr int kNotWritten = 2;

constexpr std::string_view kHelp =
    "Usage: udf2pdf [-o OUT] FILE\n"
    "       udf2pdf [-d DIR] FILE...\n"
    "Writes each UDF document FILE as a PDF file laid out on the document's paper:\n"
    "beside FILE with the extension .pdf, or as given below. FILE - reads standard\n"
    "input and writes to standard output unless -o says otherwise.\n"
    "\n"
    "  -o OUT     write the PDF to OUT (- for standard output); one FILE only\n"
    "  -d DIR     write every PDF into the folder DIR, made when missing\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "With several files, a progress line per file goes to standard error when it\n"
    "is a terminal. No PDF replaces a FILE of the run (by any name or link), nor\n"
    "one written before in the same run (a/karar.udf b/karar.udf -d DIR): such a\n"
    "PDF is not written, and the others are.\n"
    "\n"
    "Exit status: 0 every PDF was written, 1 some FILE is not a readable UDF\n"
    "document (the others are still written), 2 wrong usage or a PDF could not\n"
    "be written.\n";

// Nothing when the PDF was written, else the line that says why not.
std::optional<std::string> writePdf(const maravel::UDFDocument& doc, const std::string& file,
                                    std::size_t fileBytes, const std::string& output) {
  const std::string title = maravel::commandline::titleFor(file, "UDF Belgesi");
  maravel::commandline::Output out(output);
  if (!out.open()) return out.error();
  std::string drawingFailure;
  const bool written = maravel::PdfWriter::write(
      doc, title, [&out](std::span<const std::uint8_t> bytes) { return out.write(bytes); }, fileBytes,
      &drawingFailure);
  if (out.failed()) return out.error();
  if (!written) return "cannot draw " + file + ": " + drawingFailure;
  if (!out.commit()) return out.error();
  return std::nullopt;
}

// What converting one file gave, as an exit status.
int convert(const std::string& file, const std::string& output) {
  const maravel::commandline::Input input = maravel::commandline::readInput(file);
  // Paper shows no signature: its check, a digest of all of content.xml, is skipped.
  const auto doc = input.bytes
                       ? maravel::UDFParser::parse(*input.bytes, maravel::UDFParser::Signature::skipped)
                       : std::nullopt;
  if (!doc) {
    maravel::commandline::printError(
        "udf2pdf", input.bytes ? "cannot convert " + file + ": not a readable UDF document" : input.error);
    return kNotADocument;
  }
  if (const auto failure = writePdf(*doc, file, input.bytes->size(), output)) {
    maravel::commandline::printError("udf2pdf", *failure);
    return kNotWritten;
  }
  return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  maravel::fonts::keepAnswersBetweenProcesses();
  return maravel::commandline::runConversionCommand({"udf2pdf", ".pdf", kHelp, MARAVEL_VERSION, convert},
                                                    argc, argv);
}
