#include "Maravel/open_requests.hpp"

#include <filesystem>
#include <utility>

#include "platform/text/text.hpp"

namespace maravel {

std::optional<std::string> OpenRequests::firstOpenableFile(const std::vector<std::string>& paths) {
  if (paths.empty() || !text::lowercased(paths.front()).ends_with(".udf")) return std::nullopt;
  return paths.front();
}

bool OpenRequests::acceptsDrop(std::string_view path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  return !extension.empty() && text::lowercased(std::string_view(extension).substr(1)) == "udf";
}

std::optional<std::string> OpenRequests::open(const std::vector<std::string>& paths) {
  std::optional<std::string> file = firstOpenableFile(paths);
  if (!file || windowBuilt_) return file;
  pending_ = std::move(file);
  return std::nullopt;
}

std::optional<std::string> OpenRequests::windowBuilt() {
  windowBuilt_ = true;
  return std::exchange(pending_, std::nullopt);
}

}  // namespace maravel
