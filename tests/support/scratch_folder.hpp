// Test plumbing shared by the test programs: a folder of the test's own,
// whole-file reading, and running a command line program.
//
// Every ScratchFolder and every command's error file has a path of its own,
// so tests in parallel processes (ctest -j) or threads never meet.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/shell_quoting.hpp"

namespace maravel::testing {

// A fresh, empty folder under the system temporary folder, named after the
// running test, the process id and a per-process counter. Created on
// construction (throws std::filesystem::filesystem_error when that fails, so
// the test fails rather than writing elsewhere); removed with everything in
// it on destruction, which never throws.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes a file under the folder and returns its path. `name` is UTF-8 and
  // may hold subfolders, which must already exist. A failed write leaves the
  // file missing or short; the caller's checks see that.
  std::filesystem::path write(std::string_view name, const std::vector<std::uint8_t>& bytes) const;
  std::filesystem::path writeText(std::string_view name, std::string_view text) const;

 private:
  std::filesystem::path path_;
};

// The whole file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

struct CommandResult {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs `program` with `arguments` through /bin/sh, each word quoted, and
// waits for it. Standard output and standard error come back whole; standard
// input is the test's own.
CommandResult runCommand(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace maravel::testing
