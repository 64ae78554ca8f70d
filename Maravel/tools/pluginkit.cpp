// pluginkit: registers, switches and reports Maravel's extension bundles for
// the current user (see extension_registry.hpp for what that writes).
//
//   pluginkit -a BUNDLE...               register bundles
//   pluginkit -e use|ignore -i ID        switch an extension on or off
//   pluginkit -m [-i ID]                 one line per extension: "+" on, "-" off
//
// Exit status 0 on success (a query for an unknown extension prints nothing),
// 1 when a bundle, the registry or a file could not be used, 2 for wrong
// arguments.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Maravel/tools/extension_registry.hpp"
#include "Maravel/tools/freedesktop_places.hpp"
#include "platform/commandline/licence_notice.hpp"

namespace {

using maravel::ExtensionRecord;
using maravel::ExtensionRegistry;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr std::string_view kHelp =
    "Usage: pluginkit -a BUNDLE...\n"
    "       pluginkit -e use|ignore -i IDENTIFIER\n"
    "       pluginkit -m [-i IDENTIFIER]\n"
    "Registers Maravel's extension bundles for the current user and switches them on or off.\n"
    "\n"
    "  -a BUNDLE   register the bundle (and install its MIME package under $XDG_DATA_HOME/mime)\n"
    "  -e use      switch the extension on (a thumbnail extension gets its thumbnailer entry)\n"
    "  -e ignore   switch it off (the thumbnailer entry is removed)\n"
    "  -m          print each registered extension: \"+\" when on, \"-\" when off\n"
    "  -i ID       the extension's identifier\n"
    "  --help      show this help\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 done, 1 a bundle or file could not be used, 2 wrong usage.\n";

struct Command {
  char mode = 0;  // 'a', 'e' or 'm'
  std::vector<std::string> bundles;
  std::optional<bool> enable;
  std::optional<std::string> identifier;
};

int usageError(std::string_view message) {
  std::cerr << "pluginkit: " << message << " (try --help)\n";
  return kUsage;
}

// The parsed command, or the reason it is wrong.
std::optional<std::string> parse(int argc, char** argv, Command& command) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if ((arg == "-a" || arg == "-e" || arg == "-m") && command.mode != 0)
      return "one of -a, -e, -m at a time";
    if (arg == "-a") {
      command.mode = 'a';
    } else if (arg == "-m") {
      command.mode = 'm';
    } else if (arg == "-e") {
      if (!hasValue) return "-e needs use or ignore";
      const std::string_view election = argv[++i];
      if (election != "use" && election != "ignore") return "-e takes use or ignore";
      command.mode = 'e';
      command.enable = election == "use";
    } else if (arg == "-i") {
      if (!hasValue) return "-i needs an identifier";
      command.identifier = argv[++i];
    } else if (command.mode == 'a' && !arg.starts_with("-")) {
      command.bundles.emplace_back(arg);
    } else {
      return "unexpected argument " + std::string(arg);
    }
  }
  if (command.mode == 0) return "nothing to do";
  if (command.mode == 'a' && (command.bundles.empty() || command.identifier)) return "-a takes bundle paths";
  if (command.mode == 'e' && !command.identifier) return "-e needs -i";
  return std::nullopt;
}

void print(const ExtensionRecord& record) {
  std::cout << (record.enabled ? '+' : '-') << "    " << record.identifier << "(" << record.version << ")\n";
}

int query(const ExtensionRegistry& registry, const std::optional<std::string>& identifier) {
  if (!identifier) {
    for (const ExtensionRecord& record : registry.all()) print(record);
  } else if (const auto record = registry.find(*identifier)) {
    print(*record);
  }
  return kDone;
}

int report(const ExtensionRegistry::Failure& failure) {
  if (!failure) return kDone;
  std::cerr << "pluginkit: " << *failure << "\n";
  return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << kHelp;
      return kDone;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << "pluginkit (Maravel) " << MARAVEL_VERSION << "\n" << maravel::commandline::kLicenceNotice;
      return kDone;
    }
  }
  Command command;
  if (const auto wrong = parse(argc, argv, command)) return usageError(*wrong);

  ExtensionRegistry registry(maravel::FreedesktopPlaces::dataHome());
  switch (command.mode) {
    case 'a': {
      int status = kDone;
      for (const std::string& bundle : command.bundles)
        status = std::max(status, report(registry.add(bundle)));
      return status;
    }
    case 'e':
      return report(registry.setEnabled(*command.identifier, *command.enable));
    default:
      return query(registry, command.identifier);
  }
}
