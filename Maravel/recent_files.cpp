#include "Maravel/recent_files.hpp"

#include <algorithm>
#include <map>

#include "Maravel/open_requests.hpp"

namespace maravel {
namespace {

std::string baseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return baseName(path.substr(0, slash));
}

// A menu reads "_" as the mark of a mnemonic; "__" shows one.
std::string menuText(const std::string& text) {
  std::string out;
  for (const char c : text) {
    out += c;
    if (c == '_') out += '_';
  }
  return out;
}

}  // namespace

std::vector<RecentEntry> RecentFiles::entries(std::vector<RecentFile> files, std::size_t limit) {
  std::erase_if(files, [](const RecentFile& file) {
    return file.path.empty() || !file.exists || !OpenRequests::hasUDFName(file.path);
  });
  std::stable_sort(files.begin(), files.end(),
                   [](const RecentFile& a, const RecentFile& b) { return a.modified > b.modified; });
  if (files.size() > limit) files.resize(limit);
  std::map<std::string, int> names;
  for (const RecentFile& file : files) ++names[baseName(file.path)];
  std::vector<RecentEntry> out;
  for (const RecentFile& file : files) {
    std::string label = baseName(file.path);
    if (names[label] > 1) label += " (" + folderName(file.path) + ")";
    out.push_back({file.path, menuText(label)});
  }
  return out;
}

}  // namespace maravel
