// udf2docx: UDF documents as editable Word files that keep the paper's
// columns, indents, tables, header, footer and page numbers.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "docx/command_files.hpp"
#include "docx/docx_writer.hpp"
#include "reader/udf_parser.hpp"

namespace {

namespace fs = std::filesystem;

constexpr int kWritten = 0;
constexpr int kNotADocument = 1;
constexpr int kUsage = 2;

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
    "is a terminal.\n"
    "\n"
    "Exit status: 0 every copy was written, 1 some FILE is not a readable UDF\n"
    "document (the others are still written), 2 wrong usage or a copy could not\n"
    "be written.\n";

struct Options {
  std::vector<std::string> files;
  std::optional<std::string> output;
  std::optional<std::string> folder;
};

int usageError(std::string_view message) {
  std::cerr << "udf2docx: " << message << " (try --help)\n";
  return kUsage;
}

std::string outputFor(const std::string& file, const Options& options) {
  if (options.output) return *options.output;
  if (file == "-") return "-";
  fs::path name = fs::path(file).filename();
  name.replace_extension(".docx");
  if (options.folder) return (fs::path(*options.folder) / name).string();
  return (fs::path(file).parent_path() / name).string();
}

// What converting one file gave, as an exit status.
int convert(const std::string& file, const Options& options) {
  const std::optional<std::vector<std::uint8_t>> bytes = maravel::command::readInput(file);
  const auto doc = bytes ? maravel::UDFParser::parse(*bytes) : std::nullopt;
  if (!doc) {
    std::cerr << "udf2docx: cannot convert " << file << ": not a readable UDF document\n";
    return kNotADocument;
  }
  const std::string title = file == "-" ? "UDF Belgesi" : fs::path(file).filename().string();
  const std::optional<std::vector<std::uint8_t>> copy = maravel::DocxWriter::bytes(*doc, title);
  if (!copy) {
    std::cerr << "udf2docx: cannot make the copy of " << file << "\n";
    return kUsage;
  }
  if (const auto failure = maravel::command::writeOutput(outputFor(file, options), *copy)) {
    std::cerr << "udf2docx: " << *failure << "\n";
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
      std::cout << "udf2docx " << MARAVEL_VERSION << "\n";
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
  if (std::count(options.files.begin(), options.files.end(), "-") > 1)
    return usageError("standard input can be read once");
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed standard output is reported as a write error, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  Options options;
  if (const std::optional<int> done = parseArguments(argc, argv, options)) return *done;
  if (options.folder) {
    std::error_code error;
    fs::create_directories(*options.folder, error);
    if (error) {
      std::cerr << "udf2docx: cannot make the folder " << *options.folder << "\n";
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
