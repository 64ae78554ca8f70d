// Runs udf2docx as a shell would: where the copies go, what it does with
// standard input and output, pipes and existing files, and its exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/editor_content.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace {

namespace fs = std::filesystem;
using maravel::testing::CommandResult;
using maravel::testing::readFile;
using maravel::testing::shellQuoted;

const std::string kCommand = MARAVEL_BINARY_DIR "/docx/udf2docx";

bool isCopy(const std::string& bytes) { return bytes.starts_with("PK\x03\x04") && bytes.size() > 1000; }

class Udf2docxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    good = dir.write("karar.udf", maravel::testing::makeUdf(maravel::testing::editorContent(
                                      "Ad\tSoyad\n",
                                      "<paragraph TabSet=\"100.0:0:0\"><content startOffset=\"0\" "
                                      "length=\"9\" /></paragraph>")))
               .string();
    bad = dir.write("bozuk.udf", maravel::testing::bytes("PK\x03\x04 kırık")).string();
  }

  // A shell line with $C for the command, $G and $B for the two files, run in the folder.
  CommandResult shell(const std::string& line) {
    return maravel::testing::runCommand(
        "sh", {"-c", "cd " + shellQuoted(dir.path().string()) + " && C=" + shellQuoted(kCommand) +
                         " G=" + shellQuoted(good) + " B=" + shellQuoted(bad) + " && " + line});
  }

  maravel::testing::ScratchFolder dir;
  std::string good, bad;
};

TEST_F(Udf2docxTest, CopiesGoWhereAsked) {
  struct Case {
    std::string line;
    int status;
    std::string copy;  // the file that must hold a copy afterwards; "-" for standard output
  };
  const Case cases[] = {
      {"$C $G", 0, "karar.docx"},
      {"$C -o - $G", 0, "-"},
      {"$C - < $G", 0, "-"},
      {"$C -o kopya.docx - < $G", 0, "kopya.docx"},
      {"$C $B $G -d out", 1, "out/karar.docx"},
      {"mkfifo boru && { cat boru > okunan & $C -o boru $G; wait; }", 0, "okunan"},
      {"touch eski.docx && chmod 640 eski.docx && ln -s eski.docx bag.docx && $C -o bag.docx $G", 0,
       "eski.docx"}};
  for (const Case& c : cases) {
    const CommandResult run = shell(c.line);
    EXPECT_EQ(run.status, c.status) << c.line << "\n" << run.err;
    EXPECT_TRUE(isCopy(c.copy == "-" ? run.out : readFile(dir.path() / c.copy))) << c.line;
  }
  struct stat info {};
  ASSERT_EQ(::stat((dir.path() / "boru").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));  // written through, never replaced
  EXPECT_TRUE(fs::is_symlink(dir.path() / "bag.docx"));
  EXPECT_EQ(fs::status(dir.path() / "eski.docx").permissions(), fs::perms(0640));
  EXPECT_FALSE(fs::exists(dir.path() / "out" / "bozuk.docx"));
}

}  // namespace
