// The per-user folders of the freedesktop base directory rules, as file
// managers read them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace maravel {

class FreedesktopPlaces {
 public:
  // $XDG_DATA_HOME, or ~/.local/share when it is unset, empty or relative.
  static std::filesystem::path dataHome();
  // $XDG_CACHE_HOME, or ~/.cache likewise.
  static std::filesystem::path cacheHome();

  // The whole file when it is a regular file of at most `limit` bytes.
  static std::optional<std::string> readSmallFile(const std::filesystem::path& path,
                                                  std::size_t limit = 64 * 1024);

  // Writes `contents` to a temporary file beside `path` and renames it over
  // `path`, creating the folder first; nothing on success, else why not.
  static std::optional<std::string> writeFile(const std::filesystem::path& path, const std::string& contents);
};

}  // namespace maravel
