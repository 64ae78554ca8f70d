// Runs the pelsora command as a shell would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "preview/preview_provider.hpp"
#include "tests/support/editor_content.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using testing::CommandResult;

CommandResult pelsora(const std::vector<std::string>& arguments) {
  return testing::runCommand(MARAVEL_BINARY_DIR "/preview/pelsora", arguments);
}

TEST(PelsoraTest, PageToStandardOutputOrAFileAndExitStatuses) {
  const testing::ScratchFolder dir;
  const std::string file =
      dir.write("Karar_Örneği_ğüşıöç.udf",
                testing::makeUdf(testing::editorContent(
                    "Esas No\t: 2026/7\n",
                    R"(<paragraph TabSet="69.0:2:0" Alignment="3" resolver="hvl-default">)"
                    R"(<content resolver="hvl-default" startOffset="0" length="16" />)"
                    "</paragraph>")))
          .string();
  const CommandResult page = pelsora({file});
  EXPECT_EQ(page.status, 0);
  EXPECT_TRUE(page.out.starts_with("<!DOCTYPE html>"));
  EXPECT_NE(page.out.find("<title>Karar_Örneği_ğüşıöç.udf</title>"), std::string::npos);
  EXPECT_EQ(page.err, "");

  const std::string out = (dir.path() / "sayfa.html").string();
  EXPECT_EQ(pelsora({"-o", out, file}).out, "");
  EXPECT_EQ(testing::readFile(out), page.out);

  // An unreadable file: the error page and one line naming the file.
  const std::string broken = dir.write("bozuk.udf", testing::bytes("PK\x03\x04 kırık")).string();
  const CommandResult error = pelsora({broken});
  EXPECT_EQ(error.status, 1);
  EXPECT_EQ(error.out, PreviewProvider::errorPage());
  EXPECT_NE(error.err.find("bozuk.udf"), std::string::npos);
  EXPECT_EQ(std::count(error.err.begin(), error.err.end(), '\n'), 1);
}

}  // namespace
}  // namespace maravel
