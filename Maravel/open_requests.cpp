#include "Maravel/open_requests.hpp"

#include <utility>

#include "platform/quicklook/file_contents.hpp"
#include "platform/text/text.hpp"

namespace maravel {

bool OpenRequests::hasUDFName(std::string_view path) {
  constexpr std::string_view kEnding = ".udf";
  const std::string name = text::lowercased(quicklook::lastPathComponent(std::string(path)));
  return name.size() > kEnding.size() && name.ends_with(kEnding);
}

std::vector<std::string> OpenRequests::open(const std::vector<std::string>& paths) {
  if (windowBuilt_) return paths;
  if (!paths.empty()) pending_ = paths;
  return {};
}

std::vector<std::string> OpenRequests::windowBuilt() {
  windowBuilt_ = true;
  return std::exchange(pending_, {});
}

}  // namespace maravel
