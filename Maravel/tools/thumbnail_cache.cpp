#include "Maravel/tools/thumbnail_cache.hpp"

#include <cstdint>
#include <fstream>

namespace maravel {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";
constexpr std::string_view kURIKey = "Thumb::URI";

std::uint32_t bigEndian(std::string_view bytes) {
  std::uint32_t value = 0;
  for (const char c : bytes.substr(0, 4)) value = (value << 8) | static_cast<std::uint8_t>(c);
  return value;
}

std::string head(const fs::path& file) {
  std::string bytes(ThumbnailCache::kHeaderBytes, '\0');
  std::ifstream in(file, std::ios::binary);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

bool endsWithUDF(std::string_view uri) {
  if (uri.size() < 4) return false;
  std::string ending(uri.substr(uri.size() - 4));
  for (char& c : ending) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return ending == ".udf";
}

bool removeIfUDF(const fs::directory_entry& entry) {
  std::error_code error;
  if (!entry.is_regular_file(error) || entry.is_symlink(error)) return false;
  const std::optional<std::string> uri = ThumbnailCache::thumbnailURI(head(entry.path()));
  return uri && endsWithUDF(*uri) && fs::remove(entry.path(), error);
}

std::size_t sweep(const fs::path& folder, int depth) {
  std::size_t removed = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_directory(error) && !entry.is_symlink(error)) {
      if (depth > 0) removed += sweep(entry.path(), depth - 1);
    } else if (removeIfUDF(entry)) {
      ++removed;
    }
  }
  return removed;
}

}  // namespace

std::optional<std::string> ThumbnailCache::thumbnailURI(std::string_view png) {
  if (!png.starts_with(kSignature)) return std::nullopt;
  std::size_t at = kSignature.size();
  while (png.size() - at >= 12) {
    const std::uint32_t length = bigEndian(png.substr(at));
    const std::string_view type = png.substr(at + 4, 4);
    if (type == "IDAT" || type == "IEND" || length > png.size() - at - 12) return std::nullopt;
    const std::string_view data = png.substr(at + 8, length);
    if (type == "tEXt" && data.starts_with(kURIKey) && data.size() > kURIKey.size() &&
        data[kURIKey.size()] == '\0') {
      return std::string(data.substr(kURIKey.size() + 1));
    }
    at += 12 + length;
  }
  return std::nullopt;
}

std::size_t ThumbnailCache::removeUDFEntries(const fs::path& cacheHome) {
  // <size>/*.png and fail/<program>/*.png
  return sweep(cacheHome / "thumbnails", 2);
}

}  // namespace maravel
