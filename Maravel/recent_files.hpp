// The "Son Açılanlar" menu: from the files the desktop's list of recently
// used files holds, the UYAP documents (".udf" in any letter case) that are
// still on this machine, newest first, at most `limit`. Each is named by its
// file name; where two share a name, each also by its folder's name. Pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace maravel {

// One file of the desktop's list.
struct RecentFile {
  std::string path;           // local path; empty for a file elsewhere
  std::int64_t modified = 0;  // when it was last used, any monotone unit
  bool exists = false;        // still there
};

struct RecentEntry {
  std::string path;
  std::string label;  // as a menu shows it: "_" doubled, no mnemonic
  friend bool operator==(const RecentEntry&, const RecentEntry&) = default;
};

class RecentFiles {
 public:
  static std::vector<RecentEntry> entries(std::vector<RecentFile> files, std::size_t limit = 10);
};

}  // namespace maravel
