#include "tests/support/scratch_folder.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace maravel::testing {

namespace fs = std::filesystem;

namespace {

// "maravel-<suite>-<test>-<pid>-<n>" with anything but letters, digits, '-'
// and '.' turned into '_' (parameterised test names hold '/').
std::string folderName() {
  static std::atomic<int> counter{0};
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "maravel";
  if (test != nullptr) name += std::string("-") + test->test_suite_name() + "-" + test->name();
  for (char& c : name) {
    const bool plain =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (!plain) c = '_';
  }
  return name + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

ScratchFolder::ScratchFolder() : path_(fs::temp_directory_path() / folderName()) {
  fs::remove_all(path_);  // a leftover of an earlier process with the same id
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

fs::path ScratchFolder::write(std::string_view name, const std::vector<std::uint8_t>& bytes) const {
  const fs::path file = path_ / fs::u8path(name);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return file;
}

fs::path ScratchFolder::writeText(std::string_view name, std::string_view text) const {
  const fs::path file = path_ / fs::u8path(name);
  std::ofstream(file, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
  return file;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CommandResult runCommand(const std::string& program, const std::vector<std::string>& arguments) {
  CommandResult result;
  // Standard error goes to a file of its own: reading a second pipe next to
  // the first would need polling to avoid a stall when either fills up.
  std::string errorFile = (fs::temp_directory_path() / "maravel-stderr-XXXXXX").string();
  const int descriptor = ::mkstemp(errorFile.data());
  if (descriptor < 0) return result;
  ::close(descriptor);

  std::string command = shellQuoted(program);
  for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
  command += " 2>" + shellQuoted(errorFile);
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  result.err = readFile(errorFile);
  std::error_code ignored;
  fs::remove(errorFile, ignored);
  return result;
}

}  // namespace maravel::testing
