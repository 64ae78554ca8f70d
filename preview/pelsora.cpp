// pelsora: the preview of one .udf file as an HTML page, for a shell or a
// file manager. Writes exactly the bytes the preview door replies with.
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/commandline/licence_notice.hpp"
#include "platform/commandline/output_guard.hpp"
#include "platform/commandline/printable_text.hpp"
#include "platform/drawing/leak_suppressions.hpp"
#include "platform/fonts/font_face.hpp"
#include "platform/process/document_heap.hpp"
#include "platform/quicklook/file_contents.hpp"
#include "preview/preview_provider.hpp"

namespace {

constexpr int kPreviewed = 0;
constexpr int kErrorPage = 1;
constexpr int kUsage = 2;
constexpr std::size_t kMaxReservedDocumentBytes = 1024 * 1024;

constexpr std::string_view kHelp =
    "Usage: pelsora [-o OUT] FILE\n"
    "Writes the HTML preview of the UDF document FILE (- for standard input) to\n"
    "standard output, or to OUT.\n"
    "\n"
    "  -o OUT     write the page to OUT (- for standard output)\n"
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
  maravel::commandline::printError("pelsora", std::string(message) + " (try --help)");
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  maravel::fonts::keepAnswersBetweenProcesses();
  maravel::commandline::prepareOutputs();
  Options options;
  bool haveFile = false;
  bool optionsEnded = false;  // after "--" every argument is a file name
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {  // "-" alone is standard input
      if (arg == "--") {
        optionsEnded = true;
      } else if (arg == "--help" || arg == "-h") {
        std::cout << kHelp;
        return kPreviewed;
      } else if (arg == "--version") {
        std::cout << "pelsora " << MARAVEL_VERSION << "\n" << maravel::commandline::kLicenceNotice;
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
  // The page never replaces the document it previews.
  if (const auto refused = maravel::commandline::OutputGuard({options.file})
                               .refusal(options.file, options.output.value_or("-"))) {
    maravel::commandline::printError("pelsora", *refused);
    return kUsage;
  }

  const maravel::commandline::Input input = maravel::commandline::readInput(options.file);
  // Up to a few hundred pages: beyond, the page made after the parse would
  // stand beside the heap the tree used, which the reserve keeps.
  if (input.bytes && input.bytes->size() <= kMaxReservedDocumentBytes)
    maravel::process::reserveDocumentHeap(input.bytes->size());
  const std::string title =
      options.file == "-" ? "UDF Belgesi" : maravel::quicklook::lastPathComponent(options.file);
  const auto reply = maravel::PreviewProvider::preview(
      input.bytes ? std::optional<std::span<const std::uint8_t>>(*input.bytes) : std::nullopt, title);
  const bool errorPage = reply.contentSize().width == maravel::PreviewProvider::kErrorSize.width &&
                         reply.contentSize().height == maravel::PreviewProvider::kErrorSize.height;
  const auto page = reply.data();
  if (const auto error = maravel::commandline::writeOutput(
          options.output.value_or("-"),
          std::span(reinterpret_cast<const std::uint8_t*>(page->data()), page->size()))) {
    maravel::commandline::printError("pelsora", *error);
    return kUsage;
  }
  if (errorPage) {
    maravel::commandline::printError(
        "pelsora",
        input.bytes ? "cannot preview " + options.file + ": not a readable UDF document" : input.error);
    return kErrorPage;
  }
  return kPreviewed;
}
