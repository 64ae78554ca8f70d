// Which file the window shows when the desktop hands files over (the command
// line, a file manager's "Open with") or the user drops one on the drop zone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maravel {

class OpenRequests {
 public:
  // The first path, when its lower-cased form ends in ".udf"; nothing for an
  // empty list or any other first path. Later paths are never looked at.
  static std::optional<std::string> firstOpenableFile(const std::vector<std::string>& paths);

  // Whether a dropped file is taken: its extension (after the last dot of
  // the file name, a leading dot not counting), lower-cased, is "udf".
  static bool acceptsDrop(std::string_view path);

  // Files handed over by the desktop. Returns the file to show now; before
  // windowBuilt() it keeps the file instead (a later one replaces it) and
  // returns nothing, so that a file given at launch is not lost.
  std::optional<std::string> open(const std::vector<std::string>& paths);

  // The window exists from now on; returns the file kept for it, if any.
  std::optional<std::string> windowBuilt();

 private:
  bool windowBuilt_ = false;
  std::optional<std::string> pending_;
};

}  // namespace maravel
