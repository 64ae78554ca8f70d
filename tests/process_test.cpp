// Starting a helper program and reading what it prints.
#include "platform/process/process.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace maravel {
namespace {

TEST(ProcessTest, ReturnsStandardOutputAloneWhateverTheExitStatus) {
  EXPECT_EQ(run("/bin/sh", {"-c", "printf '+    kimlik\\n'; echo hata >&2; exit 3"}), "+    kimlik\n");
}

TEST(ProcessTest, HandsArgumentsOverUnchangedWithoutAShell) {
  EXPECT_EQ(run("/usr/bin/printf", {"%s|%s", "$HOME; ls *", "Uygulama Klasörü/Pelsora.appex"}),
            "$HOME; ls *|Uygulama Klasörü/Pelsora.appex");
}

TEST(ProcessTest, ReadsOutputLargerThanThePipeAndGivesTheProgramNoInput) {
  EXPECT_EQ(run("/bin/sh", {"-c", "head -c 300000 /dev/zero"}).size(), 300000u);
  EXPECT_EQ(run("/bin/cat", {}), "");  // would wait for the test's own input otherwise
}

TEST(ProcessTest, GivesTheEmptyStringForAMissingProgramOrOutputThatIsNotUTF8) {
  EXPECT_EQ(run("/usr/bin/pluginkit-olmayan", {"-m"}), "");
  EXPECT_EQ(run("pluginkit", {"-m"}), "");  // a bare name is not looked up on PATH
  EXPECT_EQ(run("/bin/sh", {"-c", "printf 'a\\377b'"}), "");
}

TEST(ProcessTest, KnowsItsExecutableAndHome) {
  EXPECT_TRUE(process::executablePath().ends_with("/process_test")) << process::executablePath();
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') {
    EXPECT_EQ(process::homeDirectory(), home);
  }
}

}  // namespace
}  // namespace maravel
