// Which file the window is asked to show when the desktop hands files over
// (the command line, a file manager's "Open with"), and which names count as
// UYAP documents for every way in (those, a drop, the "Aç…" dialog).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maravel {

class OpenRequests {
 public:
  // The file name (last path component) ends in ".udf" in any letter case
  // and is more than that ending: "KARAR.UDF" yes; ".udf", "karar.udf.zip",
  // "karar.udfx" no.
  static bool hasUDFName(std::string_view path);

  // Files handed over by the desktop: the first one counts, whatever its
  // name (the window says why it refuses one); later paths are never looked
  // at. Returns the file to open now; before windowBuilt() it keeps the file
  // instead (a later one replaces it) and returns nothing, so that a file
  // given at launch is not lost.
  std::optional<std::string> open(const std::vector<std::string>& paths);

  // The window exists from now on; returns the file kept for it, if any.
  std::optional<std::string> windowBuilt();

 private:
  bool windowBuilt_ = false;
  std::optional<std::string> pending_;
};

}  // namespace maravel
