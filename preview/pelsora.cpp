// pelsora: the preview of one .udf file as an HTML page, for a shell or a
// file manager. Writes exactly the bytes the preview door replies with.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "preview/preview_provider.hpp"

namespace {

constexpr int kPreviewed = 0;
constexpr int kErrorPage = 1;
constexpr int kUsage = 2;

constexpr std::string_view kHelp =
    "Usage: pelsora [-o OUT] FILE\n"
    "Writes the HTML preview of the UDF document FILE to standard output, or to OUT.\n"
    "\n"
    "  -o OUT     write the page to OUT instead of standard output\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 the document's page was written, 1 the file could not be\n"
    "previewed and the error page was written, 2 wrong usage or the page could\n"
    "not be written.\n";

struct Options {
  std::string file;
  std::optional<std::string> output;
};

int usageError(std::string_view message) {
  std::cerr << "pelsora: " << message << " (try --help)\n";
  return kUsage;
}

bool writeBytes(const std::vector<std::uint8_t>& bytes, const std::optional<std::string>& output) {
  if (!output) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    return std::fflush(stdout) == 0 && written;
  }
  std::ofstream file(*output, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool haveFile = false;
  bool optionsEnded = false;  // after "--" every argument is a file name
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      if (arg == "--") {
        optionsEnded = true;
      } else if (arg == "--help" || arg == "-h") {
        std::cout << kHelp;
        return kPreviewed;
      } else if (arg == "--version") {
        std::cout << "pelsora " << MARAVEL_VERSION << "\n";
        return kPreviewed;
      } else if (arg == "-o") {
        if (i + 1 >= argc) return usageError("-o needs a file name");
        options.output = argv[++i];
      } else {
        return usageError("unknown option " + std::string(arg));
      }
      continue;
    }
    if (haveFile) return usageError("one file at a time");
    options.file = argv[i];
    haveFile = true;
  }
  if (!haveFile) return usageError("no file given");

  const maravel::PreviewProvider provider;
  const auto reply = provider.providePreview({options.file});
  const bool errorPage = reply.contentSize().width == maravel::PreviewProvider::kErrorSize.width &&
                         reply.contentSize().height == maravel::PreviewProvider::kErrorSize.height;
  if (!writeBytes(reply.data(), options.output)) {
    std::cerr << "pelsora: cannot write the page to " << options.output.value_or("standard output") << "\n";
    return kUsage;
  }
  if (errorPage) {
    std::cerr << "pelsora: cannot preview " << options.file << ": not a readable UDF document\n";
    return kErrorPage;
  }
  return kPreviewed;
}
