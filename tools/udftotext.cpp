// udftotext FILE: the text of a UDF document in reading order, for search
// tools and shells.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/quicklook/command_input.hpp"
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
    "  -o OUT     write the text to OUT instead of standard output\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 the text was written, 1 FILE is not a readable UDF document,\n"
    "2 wrong usage or the text could not be written.\n";

int usageError(std::string_view message) {
  std::cerr << "udftotext: " << message << " (try --help)\n";
  return kUsage;
}

bool writeText(const std::string& text, const std::optional<std::string>& output) {
  if (!output || *output == "-") {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written;
  }
  std::ofstream file(*output, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  return !file.fail();
}

}  // namespace

int main(int argc, char** argv) {
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
        std::cout << "udftotext " << MARAVEL_VERSION << "\n";
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

  const std::optional<std::vector<std::uint8_t>> bytes = maravel::quicklook::readCommandInput(*file);
  const auto doc = bytes ? maravel::UDFParser::parse(*bytes) : std::nullopt;
  if (!doc) {
    std::cerr << "udftotext: cannot read " << *file << ": not a readable UDF document\n";
    return kNotADocument;
  }
  if (!writeText(maravel::PlainTextWriter::write(*doc), output)) {
    std::cerr << "udftotext: cannot write the text to " << output.value_or("standard output") << "\n";
    return kUsage;
  }
  return kWritten;
}
