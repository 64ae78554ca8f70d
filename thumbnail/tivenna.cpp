// tivenna: the freedesktop thumbnailer for UYAP .udf documents.
//
//   tivenna -s SIZE INPUT OUTPUT
//
// INPUT is a path or a file:// URI (file managers pass %i or %u), or "-" for
// standard input; OUTPUT receives a SIZE x SIZE PNG ("-": standard output).
// A new PNG file is written to a temporary file beside OUTPUT and renamed
// over it, so a reader never sees half a file; like every thumbnail it is
// readable by its owner only. An OUTPUT that is not a regular file (a device,
// a FIFO) is written to in place. Exit status
// 0 whenever a PNG was written (a file that is not a readable document still
// gets frame and badge), 2 for wrong arguments, 1 when OUTPUT cannot be
// written.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
#include "platform/text/text.hpp"
#include "thumbnail/thumbnail_provider.hpp"

namespace {

using maravel::ThumbnailProvider;

constexpr int exitWritten = 0;
constexpr int exitOutputFailed = 1;
constexpr int exitUsage = 2;
constexpr std::int64_t largestSize = 4096;

constexpr const char* usage =
    "Usage: tivenna -s SIZE INPUT OUTPUT\n"
    "Draws a SIZE x SIZE thumbnail of the UYAP document INPUT (a path, a file:// URI\n"
    "or - for standard input) and writes it to OUTPUT (- for standard output) as PNG.\n"
    "SIZE is 1 to 4096 pixels.\n"
    "  -s, --size SIZE  edge length in pixels\n"
    "  --help           show this text\n"
    "  --version        show the version\n";

struct Arguments {
  std::int64_t size = 0;
  std::string input;
  std::string output;
};

int fail(int status, const std::string& message) {
  maravel::commandline::printError("tivenna", message);
  return status;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The local path a file:// URI names, with percent escapes decoded; nothing
// for another host, a broken escape or an escaped NUL.
std::optional<std::string> pathFromFileURI(std::string_view uri) {
  uri.remove_prefix(std::string_view("file://").size());
  const std::size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view host = uri.substr(0, slash);
  if (!host.empty() && host != "localhost") return std::nullopt;
  uri.remove_prefix(slash);
  uri = uri.substr(0, uri.find_first_of("?#"));
  std::string path;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      path += uri[i];
      continue;
    }
    if (i + 2 >= uri.size() || hexDigit(uri[i + 1]) < 0 || hexDigit(uri[i + 2]) < 0) return std::nullopt;
    const char byte = static_cast<char>(hexDigit(uri[i + 1]) * 16 + hexDigit(uri[i + 2]));
    if (byte == '\0') return std::nullopt;
    path += byte;
    i += 2;
  }
  return path;
}

// A path (or "-") stays as it is; a file:// URI becomes its path; anything
// that names no local file becomes the empty path, which no read succeeds on.
std::string inputPath(const std::string& input) {
  if (input.rfind("file://", 0) == 0) return pathFromFileURI(input).value_or(std::string());
  if (input.find("://") != std::string::npos) return {};
  return input;
}

// Nothing (and a message on stderr) when the arguments are wrong; exits for
// --help and --version.
std::optional<Arguments> parseArguments(int argc, char** argv) {
  Arguments arguments;
  std::vector<std::string> positional;
  bool sized = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(usage, stdout);
      std::exit(exitWritten);
    } else if (arg == "--version") {
      std::printf("tivenna %s\n%.*s", MARAVEL_VERSION,
                  static_cast<int>(maravel::commandline::kLicenceNotice.size()),
                  maravel::commandline::kLicenceNotice.data());
      std::exit(exitWritten);
    } else if (arg == "-s" || arg == "--size") {
      if (i + 1 >= argc) return std::nullopt;
      const auto size = maravel::text::parseInteger(argv[++i]);
      if (!size || *size < 1 || *size > largestSize) return std::nullopt;
      arguments.size = *size;
      sized = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return std::nullopt;
    } else {
      positional.emplace_back(arg);
    }
  }
  if (!sized || positional.size() != 2 || positional[1].empty()) return std::nullopt;
  arguments.input = positional[0];
  arguments.output = positional[1];
  return arguments;
}

// The sheet as PNG bytes; a document that cannot be read gets frame and
// badge only, as the thumbnail door draws it.
std::vector<std::uint8_t> renderThumbnail(const Arguments& arguments) {
  const std::string path = inputPath(arguments.input);
  const double side = static_cast<double>(arguments.size);
  maravel::drawing::DrawingContext context({side, side});
  if (path == "-") {
    const maravel::commandline::Input input =
        maravel::commandline::readInput(path, ThumbnailProvider::maximumFileSize);
    ThumbnailProvider::drawThumbnail(
        context, {side, side},
        input.bytes ? std::optional<std::span<const std::uint8_t>>(*input.bytes) : std::nullopt);
  } else {
    // A file is read by position: only the parts the text needs.
    ThumbnailProvider::drawThumbnail(context, {side, side}, std::filesystem::path(path));
  }
  return context.pngData();
}

}  // namespace

int main(int argc, char** argv) {
  maravel::commandline::prepareOutputs();
  const auto arguments = parseArguments(argc, argv);
  if (!arguments) return fail(exitUsage, "usage: tivenna -s SIZE INPUT OUTPUT (see --help)");
  // The thumbnail never replaces the document it shows.
  const maravel::commandline::OutputGuard guard({inputPath(arguments->input)});
  if (const auto refused = guard.refusal(arguments->input, arguments->output))
    return fail(exitOutputFailed, *refused);
  const std::vector<std::uint8_t> png = renderThumbnail(*arguments);
  if (png.empty()) return fail(exitOutputFailed, "cannot encode the thumbnail");
  if (const auto error = maravel::commandline::writeOutput(arguments->output, png, 0600))
    return fail(exitOutputFailed, *error);
  return exitWritten;
}
