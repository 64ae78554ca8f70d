#include "Maravel/tools/extension_registry.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "Maravel/tools/freedesktop_places.hpp"
#include "platform/process/process.hpp"

namespace maravel {
namespace fs = std::filesystem;

namespace {

using KeyValues = std::map<std::string, std::string, std::less<>>;

KeyValues parseKeyValues(const std::string& text) {
  KeyValues values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string::npos) continue;
    values.emplace(line.substr(0, equals), line.substr(equals + 1));
  }
  return values;
}

std::string valueOf(const KeyValues& values, std::string_view key) {
  const auto found = values.find(key);
  return found == values.end() ? std::string() : found->second;
}

// A file name inside the bundle: no folder part, not "." or "..".
bool isPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// A desktop entry string: backslash, line breaks and tab escaped.
std::string escapeString(std::string_view value) {
  std::string escaped;
  for (const char c : value) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// One argument of an Exec line: quoted when it holds a reserved character,
// with '"', '`', '$' and '\' escaped inside the quotes and '%' doubled.
std::string execArgument(std::string_view argument) {
  constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string field;
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') field += '\\';
    field += c;
    if (c == '%') field += '%';
  }
  if (argument.find_first_of(reserved) != std::string_view::npos) field = "\"" + field + "\"";
  return escapeString(field);
}

std::optional<fs::path> findInPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty() || folder.front() != '/') continue;
    const fs::path candidate = fs::path(folder) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// Runs a freedesktop database tool found on PATH on `folder`; nothing when
// the tool is not installed.
void runIfInstalled(std::string_view tool, const fs::path& folder) {
  if (const std::optional<fs::path> program = findInPath(tool)) run(program->string(), {folder.string()});
}

std::string recordText(const ExtensionRecord& record) {
  return "identifier=" + record.identifier + "\nbundle=" + record.bundle.string() +
         "\nversion=" + record.version + "\nenabled=" + (record.enabled ? "true" : "false") + "\n";
}

}  // namespace

std::optional<ExtensionManifest> ExtensionManifest::read(const fs::path& bundle) {
  const std::optional<std::string> text = FreedesktopPlaces::readSmallFile(bundle / "manifest");
  if (!text) return std::nullopt;
  const KeyValues values = parseKeyValues(*text);
  ExtensionManifest manifest{valueOf(values, "identifier"), valueOf(values, "kind"),
                             valueOf(values, "version"),    valueOf(values, "executable"),
                             valueOf(values, "mime-type"),  valueOf(values, "mime-package"),
                             valueOf(values, "thumbnailer")};
  const bool knownKind = manifest.kind == "preview" || manifest.kind == "thumbnail";
  const bool filesInBundle = isPlainName(manifest.executable) &&
                             (manifest.mimePackage.empty() || isPlainName(manifest.mimePackage)) &&
                             (manifest.thumbnailer.empty() || isPlainName(manifest.thumbnailer));
  if (!ExtensionRegistry::isValidIdentifier(manifest.identifier) || !knownKind || !filesInBundle) {
    return std::nullopt;
  }
  return manifest;
}

ExtensionRegistry::ExtensionRegistry(fs::path dataHome) : dataHome_(std::move(dataHome)) {}

bool ExtensionRegistry::isValidIdentifier(std::string_view identifier) {
  if (identifier.empty() || identifier.size() > 255 || identifier.front() == '.') return false;
  return std::all_of(identifier.begin(), identifier.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
  });
}

std::string ExtensionRegistry::thumbnailerEntry(std::string_view entry, const fs::path& executable) {
  std::string rewritten;
  std::istringstream lines{std::string(entry)};
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("TryExec=")) {
      line = "TryExec=" + escapeString(executable.string());
    } else if (line.starts_with("Exec=")) {
      const std::size_t space = line.find(' ');
      line = "Exec=" + execArgument(executable.string()) +
             (space == std::string::npos ? "" : line.substr(space));
    }
    rewritten += line + "\n";
  }
  return rewritten;
}

ExtensionRegistry::Failure ExtensionRegistry::add(const fs::path& bundle) {
  std::error_code error;
  const fs::path absolute = fs::absolute(bundle, error).lexically_normal();
  const std::optional<ExtensionManifest> manifest = ExtensionManifest::read(absolute);
  if (error || !manifest) return absolute.string() + ": not an extension bundle (no usable manifest)";
  if (absolute.string().find('\n') != std::string::npos) return "a bundle path cannot hold a line break";
  if (const Failure failed = installMimePackage(absolute, *manifest)) return failed;
  refreshDesktopDatabase();
  const std::optional<ExtensionRecord> known = find(manifest->identifier);
  const ExtensionRecord record{manifest->identifier, absolute, manifest->version, known && known->enabled};
  if (const Failure failed = write(record)) return failed;
  return record.enabled ? apply(record, *manifest) : std::nullopt;
}

ExtensionRegistry::Failure ExtensionRegistry::setEnabled(std::string_view identifier, bool enabled) {
  std::optional<ExtensionRecord> record = find(identifier);
  if (!record) return std::string(identifier) + ": no such extension is registered";
  const std::optional<ExtensionManifest> manifest = ExtensionManifest::read(record->bundle);
  if (!manifest || manifest->identifier != record->identifier) {
    return record->bundle.string() + ": the registered bundle is gone";
  }
  record->enabled = enabled;
  if (const Failure failed = write(*record)) return failed;
  return apply(*record, *manifest);
}

std::optional<ExtensionRecord> ExtensionRegistry::find(std::string_view identifier) const {
  if (!isValidIdentifier(identifier)) return std::nullopt;
  const std::optional<std::string> text = FreedesktopPlaces::readSmallFile(recordPath(identifier));
  if (!text) return std::nullopt;
  const KeyValues values = parseKeyValues(*text);
  if (valueOf(values, "identifier") != identifier || valueOf(values, "bundle").empty()) return std::nullopt;
  return ExtensionRecord{std::string(identifier), valueOf(values, "bundle"), valueOf(values, "version"),
                         valueOf(values, "enabled") == "true"};
}

std::vector<ExtensionRecord> ExtensionRegistry::all() const {
  std::vector<ExtensionRecord> records;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(recordPath("x").parent_path(), error)) {
    if (auto record = find(entry.path().filename().string())) records.push_back(std::move(*record));
  }
  std::sort(records.begin(), records.end(),
            [](const ExtensionRecord& a, const ExtensionRecord& b) { return a.identifier < b.identifier; });
  return records;
}

fs::path ExtensionRegistry::recordPath(std::string_view identifier) const {
  return dataHome_ / "maravel" / "pluginkit" / identifier;
}

ExtensionRegistry::Failure ExtensionRegistry::write(const ExtensionRecord& record) const {
  return FreedesktopPlaces::writeFile(recordPath(record.identifier), recordText(record));
}

ExtensionRegistry::Failure ExtensionRegistry::apply(const ExtensionRecord& record,
                                                    const ExtensionManifest& manifest) const {
  if (manifest.kind != "thumbnail" || manifest.thumbnailer.empty()) return std::nullopt;
  const fs::path entry = dataHome_ / "thumbnailers" / manifest.thumbnailer;
  if (!record.enabled) {
    std::error_code error;
    fs::remove(entry, error);
    return error ? std::optional("cannot remove " + entry.string() + ": " + error.message()) : std::nullopt;
  }
  const std::optional<std::string> entryTemplate =
      FreedesktopPlaces::readSmallFile(record.bundle / manifest.thumbnailer);
  if (!entryTemplate) return (record.bundle / manifest.thumbnailer).string() + ": cannot be read";
  return FreedesktopPlaces::writeFile(entry,
                                      thumbnailerEntry(*entryTemplate, record.bundle / manifest.executable));
}

ExtensionRegistry::Failure ExtensionRegistry::installMimePackage(const fs::path& bundle,
                                                                 const ExtensionManifest& manifest) const {
  if (manifest.mimePackage.empty()) return std::nullopt;
  const std::optional<std::string> package =
      FreedesktopPlaces::readSmallFile(bundle / manifest.mimePackage, 1024 * 1024);
  if (!package) return (bundle / manifest.mimePackage).string() + ": cannot be read";
  const fs::path mime = dataHome_ / "mime";
  if (const Failure failed =
          FreedesktopPlaces::writeFile(mime / "packages" / manifest.mimePackage, *package)) {
    return failed;
  }
  // Without the tool the package still waits in place for the next update.
  runIfInstalled("update-mime-database", mime);
  return std::nullopt;
}

void ExtensionRegistry::refreshDesktopDatabase() const {
  // No folder, no desktop entries of the user's to index.
  const fs::path applications = dataHome_ / "applications";
  std::error_code error;
  if (fs::is_directory(applications, error)) runIfInstalled("update-desktop-database", applications);
}

}  // namespace maravel
