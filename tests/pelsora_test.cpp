// Runs the pelsora command as a shell would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.hpp"
#include "tests/support/zip_writer.hpp"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kContent = R"(<?xml version="1.0" encoding="UTF-8" ?> 

<template format_id="1.8" >
<content><![CDATA[Esas No	: 2026/7
]]></content>
<elements resolver="hvl-default">
<paragraph TabSet="69.0:2:0" Alignment="3" resolver="hvl-default"><content resolver="hvl-default" startOffset="0" length="16" /></paragraph>
</elements>
<styles><style name="hvl-default" family="Times New Roman" size="12" description="Gövde" /></styles>
</template>
)";

using maravel::testing::CommandResult;
using maravel::testing::readFile;

class PelsoraTest : public ::testing::Test {
 protected:
  // Runs pelsora with `arguments`; its standard error is kept for errors().
  CommandResult pelsora(const std::vector<std::string>& arguments) {
    CommandResult run = maravel::testing::runCommand(MARAVEL_BINARY_DIR "/preview/pelsora", arguments);
    lastErrors = run.err;
    return run;
  }

  std::string errors() const { return lastErrors; }

  maravel::testing::ScratchFolder dir;
  std::string lastErrors;
};

TEST_F(PelsoraTest, DocumentPageGoesToStandardOutput) {
  const fs::path file = dir.write("Karar_Örneği_ğüşıöç.udf", maravel::testing::makeUdf(kContent));
  const CommandResult run = pelsora({file.string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.starts_with("<!DOCTYPE html>"));
  EXPECT_NE(run.out.find("<title>Karar_Örneği_ğüşıöç.udf</title>"), std::string::npos);
  EXPECT_EQ(errors(), "");
}

TEST_F(PelsoraTest, OutputOptionWritesTheFile) {
  const fs::path file = dir.write("karar.udf", maravel::testing::makeUdf(kContent));
  const fs::path out = dir.path() / "sayfa.html";
  const CommandResult run = pelsora({"-o", out.string(), file.string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  const std::string page = readFile(out);
  EXPECT_NE(page.find("<title>karar.udf</title>"), std::string::npos);
  EXPECT_EQ(page, pelsora({file.string()}).out);
}

TEST_F(PelsoraTest, UnreadableFileWritesTheErrorPage) {
  const fs::path file = dir.write("bozuk.udf", maravel::testing::bytes("PK\x03\x04 kırık"));
  const CommandResult run = pelsora({file.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out.size(), 546u);
  EXPECT_TRUE(run.out.starts_with("<!DOCTYPE html>\n"));
  const std::string message = errors();
  EXPECT_NE(message.find("bozuk.udf"), std::string::npos);
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);

  EXPECT_EQ(pelsora({(dir.path() / "yok.udf").string()}).status, 1);
}

TEST_F(PelsoraTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(pelsora({}).status, 2);
  EXPECT_NE(errors().find("pelsora:"), std::string::npos);
  const std::vector<std::vector<std::string>> usageErrors = {
      {"--unknown", "karar.udf"}, {"a.udf", "b.udf"}, {"karar.udf", "-o"}, {"--"}};
  for (const auto& args : usageErrors) EXPECT_EQ(pelsora(args).status, 2) << ::testing::PrintToString(args);
  EXPECT_EQ(pelsora({"--", "-o"}).status, 1);  // after "--", "-o" names a file
  const fs::path file = dir.write("karar.udf", maravel::testing::makeUdf(kContent));
  EXPECT_EQ(pelsora({"-o", (dir.path() / "yok" / "sayfa.html").string(), file.string()}).status, 2);
}

TEST_F(PelsoraTest, HelpAndVersion) {
  EXPECT_EQ(pelsora({"--help"}).status, 0);
  EXPECT_TRUE(pelsora({"--help"}).out.starts_with("Usage: pelsora"));
  EXPECT_TRUE(pelsora({"--version"}).out.starts_with("pelsora "));
}

}  // namespace
