// Which file the window is asked to show when the desktop hands files over
// (the command line, a file manager's "Open with"), and which names count as
// UYAP documents for every way in (those, a drop, the "Aç…" dialog).
#pragma once

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

  // Files handed over by the desktop, each to be shown in a window of its
  // own, whatever its name (the window says why it refuses one). Returns
  // the files to open now; before windowBuilt() it keeps them instead (a
  // later hand-over replaces them) and returns none, so that files given at
  // launch are not lost.
  std::vector<std::string> open(const std::vector<std::string>& paths);

  // The first window exists from now on; returns the files kept for it.
  std::vector<std::string> windowBuilt();

 private:
  bool windowBuilt_ = false;
  std::vector<std::string> pending_;
};

}  // namespace maravel
