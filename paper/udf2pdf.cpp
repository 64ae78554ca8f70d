// udf2pdf: UDF documents as PDF files, laid out on their paper the way the
// preview page shows them.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "paper/pdf_writer.hpp"
#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "reader/udf_parser.hpp"

namespace {

namespace fs = std::filesystem;

constexpr int kWritten = 0;
constexpr int kNotADocument = 1;
constexpr int kUsage = 2;

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
    "is a terminal.\n"
    "\n"
    "Exit status: 0 every PDF was written, 1 some FILE is not a readable UDF\n"
    "document (the others are still written), 2 wrong usage or a PDF could not\n"
    "be written.\n";

struct Options {
  std::vector<std::string> files;
  std::optional<std::string> output;
  std::optional<std::string> folder;
};

int usageError(std::string_view message) {
  std::cerr << "udf2pdf: " << message << " (try --help)\n";
  return kUsage;
}

std::string outputFor(const std::string& file, const Options& options) {
  if (options.output) return *options.output;
  if (file == "-") return "-";
  fs::path name = fs::path(file).filename();
  name.replace_extension(".pdf");
  if (options.folder) return (fs::path(*options.folder) / name).string();
  return (fs::path(file).parent_path() / name).string();
}

// Nothing when the PDF was written, else the line that says why not.
std::optional<std::string> writePdf(const maravel::UDFDocument& doc, const std::string& file,
                                    std::size_t fileBytes, const std::string& output) {
  const std::string title = file == "-" ? "UDF Belgesi" : fs::path(file).filename().string();
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
int convert(const std::string& file, const Options& options) {
  const maravel::commandline::Input input = maravel::commandline::readInput(file);
  const auto doc = input.bytes ? maravel::UDFParser::parse(*input.bytes) : std::nullopt;
  if (!doc) {
    std::cerr << "udf2pdf: "
              << (input.bytes ? "cannot convert " + file + ": not a readable UDF document" : input.error)
              << "\n";
    return kNotADocument;
  }
  if (const auto failure = writePdf(*doc, file, input.bytes->size(), outputFor(file, options))) {
    std::cerr << "udf2pdf: " << *failure << "\n";
    return kUsage;
  }
  return kWritten;
}

std::optional<int> parseArguments(int argc, char** argv, Options& options) {
  bool optionsEnded = false;  // after "--" every argument is a file name
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options.files.emplace_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      return kWritten;
    } else if (arg == "--version") {
      std::cout << "udf2pdf " << MARAVEL_VERSION << "\n";
      return kWritten;
    } else if (arg == "-o" || arg == "-d") {
      if (i + 1 >= argc)
        return usageError(std::string(arg) + (arg == "-o" ? " needs a file name" : " needs a folder"));
      (arg == "-o" ? options.output : options.folder) = argv[++i];
    } else {
      return usageError("unknown option " + std::string(arg));
    }
  }
  if (options.files.empty()) return usageError("no file given");
  if (options.output && options.folder) return usageError("-o and -d do not go together");
  if (options.output && options.files.size() > 1) return usageError("-o takes one file; use -d for several");
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  maravel::commandline::prepareOutputs();
  Options options;
  if (const std::optional<int> done = parseArguments(argc, argv, options)) return *done;
  if (options.folder) {
    std::error_code error;
    fs::create_directories(*options.folder, error);
    if (error) {
      std::cerr << "udf2pdf: cannot make the folder " << *options.folder << "\n";
      return kUsage;
    }
  }
  const bool progress = options.files.size() > 1 && isatty(STDERR_FILENO) == 1;
  int status = kWritten;
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    const std::string& file = options.files[i];
    if (progress) std::cerr << "[" << i + 1 << "/" << options.files.size() << "] " << file << "\n";
    status = std::max(status, convert(file, options));
  }
  return status;
}
