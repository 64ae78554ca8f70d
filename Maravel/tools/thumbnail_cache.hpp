// The freedesktop thumbnail cache: $XDG_CACHE_HOME/thumbnails/<size>/*.png
// for the sizes normal, large, x-large and xx-large, and the failure records
// of each thumbnailer under fail/<program>/*.png. Every entry is a PNG whose
// "Thumb::URI" text chunk names the file it was made for.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace maravel {

class ThumbnailCache {
 public:
  // Removes the thumbnails and failure records made for files whose URI
  // ends in ".udf" in any letter case, so that file managers draw them
  // again. Looks at regular files at most three levels below thumbnails/
  // (links are not followed); returns how many were removed.
  static std::size_t removeUDFEntries(const std::filesystem::path& cacheHome);

  // The "Thumb::URI" of a PNG from its first bytes (text chunks come before
  // the image data); nothing for anything that is not such a PNG.
  static std::optional<std::string> thumbnailURI(std::string_view png);

  // How much of each file is read to find the URI.
  static constexpr std::size_t kHeaderBytes = 64 * 1024;
};

}  // namespace maravel
