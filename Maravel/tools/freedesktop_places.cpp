#include "Maravel/tools/freedesktop_places.hpp"

#include <cstdlib>
#include <vector>

#include "platform/process/process.hpp"
#include "platform/quicklook/file_contents.hpp"

namespace maravel {
namespace fs = std::filesystem;

namespace {

fs::path place(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') return value;
  return fs::path(process::homeDirectory()) / fallback;
}

}  // namespace

fs::path FreedesktopPlaces::dataHome() { return place("XDG_DATA_HOME", ".local/share"); }

fs::path FreedesktopPlaces::cacheHome() { return place("XDG_CACHE_HOME", ".cache"); }

std::optional<std::string> FreedesktopPlaces::readSmallFile(const fs::path& path, std::size_t limit) {
  const std::optional<std::vector<std::uint8_t>> bytes = quicklook::readFileContents(path, limit);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::optional<std::string> FreedesktopPlaces::writeFile(const fs::path& path, const std::string& contents) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) return "cannot create " + path.parent_path().string() + ": " + error.message();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(contents.data());
  return quicklook::writeFileAtomically(path, {bytes, contents.size()}, 0644);
}

}  // namespace maravel
