#include "Maravel/save_request.hpp"

#include <algorithm>
#include <filesystem>

#include "platform/quicklook/file_contents.hpp"

namespace maravel {
namespace {

constexpr std::string_view kUdf = ".udf";

bool endsInUdf(std::string_view name) {
  if (name.size() <= kUdf.size()) return false;  // a bare ".udf" is all name
  const std::string_view end = name.substr(name.size() - kUdf.size());
  return std::equal(end.begin(), end.end(), kUdf.begin(),
                    [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b; });
}

}  // namespace

SaveRequest SaveRequest::forDocument(std::string_view path) {
  std::string name = quicklook::lastPathComponent(std::string(path));
  if (endsInUdf(name)) name.resize(name.size() - kUdf.size());
  return {std::filesystem::path(path).parent_path().string(), name + ".pdf"};
}

}  // namespace maravel
