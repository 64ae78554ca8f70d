// The input and output rules of the command line programs, on files of a
// scratch folder. Devices, FIFOs, pipes and standard input are met through
// the commands themselves in the worst-case suite.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel::commandline {
namespace {

namespace fs = std::filesystem;

mode_t permissions(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A regular file is replaced whole and keeps its permissions; a link to one
// stays a link; a new file gets the mode less the umask; a folder is an
// error that names its cause and leaves no temporary file behind.
TEST(CommandOutputTest, RegularFilesAreReplacedWholeAndEverythingElseKept) {
  const testing::ScratchFolder dir;
  const fs::path old = dir.writeText("eski.txt", "eski");
  fs::permissions(old, fs::perms(0640));
  fs::create_symlink("eski.txt", dir.path() / "bag");
  const mode_t mask = ::umask(022);
  EXPECT_EQ(writeOutput(old.string(), testing::bytes("yeni")), std::nullopt);
  EXPECT_EQ(writeOutput((dir.path() / "bag").string(), testing::bytes("bağ")), std::nullopt);
  EXPECT_EQ(writeOutput((dir.path() / "yeni.txt").string(), testing::bytes("x"), 0666), std::nullopt);
  EXPECT_EQ(writeOutput(dir.path().string(), testing::bytes("x")),
            "cannot write " + dir.path().string() + ": Is a directory");
  ::umask(mask);
  EXPECT_EQ(testing::readFile(old), "bağ");
  EXPECT_EQ(permissions(old), 0640u);
  EXPECT_TRUE(fs::is_symlink(dir.path() / "bag"));
  EXPECT_EQ(permissions(dir.path() / "yeni.txt"), 0644u);
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"bag", "eski.txt", "yeni.txt"}));
}

TEST(CommandInputTest, FilesAreReadWholeOrRefusedWithTheirReason) {
  const testing::ScratchFolder dir;
  const std::string file = dir.writeText("belge.udf", "0123456789").string();
  const std::string missing = (dir.path() / "yok.udf").string();
  EXPECT_EQ(readInput(file).bytes, testing::bytes("0123456789"));
  const std::pair<Input, std::string> refused[] = {
      {readInput(missing), "cannot read " + missing + ": No such file or directory"},
      {readInput(dir.path().string()), "cannot read " + dir.path().string() + ": Is a directory"},
      {readInput(file, 9), "cannot read " + file + ": larger than 9 bytes"}};
  for (const auto& [input, error] : refused) {
    EXPECT_FALSE(input.bytes.has_value());
    EXPECT_EQ(input.error, error);
  }
}

}  // namespace
}  // namespace maravel::commandline
