#include "platform/commandline/conversion_command.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/commandline/command_output.hpp"
#include "platform/commandline/licence_notice.hpp"
#include "platform/commandline/output_guard.hpp"
#include "platform/commandline/printable_text.hpp"

namespace maravel::commandline {

namespace {

namespace fs = std::filesystem;

constexpr int kWritten = 0;
constexpr int kUsage = 2;

struct Options {
  std::vector<std::string> files;
  std::optional<std::string> output;
  std::optional<std::string> folder;
};

int usageError(const ConversionCommand& command, std::string_view message) {
  printError(command.name, std::string(message) + " (try --help)");
  return kUsage;
}

std::string outputFor(const ConversionCommand& command, const std::string& file, const Options& options) {
  if (options.output) return *options.output;
  if (file == "-") return "-";
  fs::path name = fs::path(file).filename();
  name.replace_extension(std::string(command.extension));
  if (options.folder) return (fs::path(*options.folder) / name).string();
  return (fs::path(file).parent_path() / name).string();
}

std::optional<int> parseArguments(const ConversionCommand& command, int argc, char** argv, Options& options) {
  bool optionsEnded = false;  // after "--" every argument is a file name
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options.files.emplace_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << command.help;
      return kWritten;
    } else if (arg == "--version") {
      std::cout << command.name << " " << command.version << "\n" << kLicenceNotice;
      return kWritten;
    } else if (arg == "-o" || arg == "-d") {
      if (i + 1 >= argc)
        return usageError(command,
                          std::string(arg) + (arg == "-o" ? " needs a file name" : " needs a folder"));
      (arg == "-o" ? options.output : options.folder) = argv[++i];
    } else {
      return usageError(command, "unknown option " + std::string(arg));
    }
  }
  if (options.files.empty()) return usageError(command, "no file given");
  if (options.output && options.folder) return usageError(command, "-o and -d do not go together");
  if (options.output && options.files.size() > 1)
    return usageError(command, "-o takes one file; use -d for several");
  if (std::count(options.files.begin(), options.files.end(), "-") > 1)
    return usageError(command, "standard input can be read once");
  return std::nullopt;
}

}  // namespace

std::string titleFor(const std::string& file, std::string_view standardInput) {
  return file == "-" ? std::string(standardInput) : fs::path(file).filename().string();
}

int runConversionCommand(const ConversionCommand& command, int argc, char** argv) {
  prepareOutputs();
  Options options;
  if (const std::optional<int> done = parseArguments(command, argc, argv, options)) return *done;
  if (options.folder) {
    std::error_code error;
    fs::create_directories(*options.folder, error);
    if (error) {
      printError(command.name, "cannot make the folder " + *options.folder);
      return kUsage;
    }
  }
  const bool progress = options.files.size() > 1 && isatty(STDERR_FILENO) == 1;
  OutputGuard guard(options.files);
  int status = kWritten;
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    const std::string& file = options.files[i];
    if (progress) std::cerr << "[" << i + 1 << "/" << options.files.size() << "] " << printable(file) << "\n";
    const std::string output = outputFor(command, file, options);
    if (const std::optional<std::string> refused = guard.refusal(file, output)) {
      printError(command.name, *refused);
      status = kUsage;
      continue;
    }
    const int converted = command.convert(file, output);
    if (converted == kWritten) guard.written(file, output);
    status = std::max(status, converted);
  }
  return status;
}

}  // namespace maravel::commandline
