// A .udf file read and parsed for the window, off the main thread.
//
// The file named on the command line can be read ahead, from the program's
// first moment on, while the toolkit starts and the window is built: the
// window's own load of that file then takes what was read ahead instead of
// reading it again, as long as the file has not changed since. Nothing here
// throws.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Maravel/open_failure.hpp"
#include "model/udf_document.hpp"

namespace maravel {

// The parsed document, or why there is none.
struct LoadedDocument {
  std::shared_ptr<const UDFDocument> document;
  std::size_t fileBytes = 0;
  OpenFailure failure;
};

class DocumentLoad {
 public:
  // Reads and parses the file at `path` (no page is made: the views make
  // what they show when they show it), then hands the memory the parse
  // worked in back to the system. Blocks; any thread.
  static LoadedDocument load(const std::string& path);

  // Starts load(`path`) on a thread of its own; the first load() of the
  // same file (by any path that names it) after it takes its result. Once a
  // program: later calls do nothing.
  static void readAhead(const std::string& path);
  // Waits for a read ahead that no load took and lets its result go: for
  // the end of the program, so that the reading thread never outlives what
  // it uses.
  static void endReadAhead();
};

}  // namespace maravel
