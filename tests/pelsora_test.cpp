// Runs the pelsora command as a shell would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/zip_writer.hpp"

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

struct CommandResult {
  int status = -1;
  std::string out;
};

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class PelsoraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("maravel-pelsora-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path write(const std::string& name, const std::vector<std::uint8_t>& data) {
    const fs::path path = dir / fs::u8path(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return path;
  }

  // Runs pelsora with `args` (already quoted), standard error to a file.
  CommandResult pelsora(const std::string& args) {
    const std::string command = quoted(MARAVEL_BINARY_DIR "/preview/pelsora") + " " + args + " 2>" +
                                quoted((dir / "stderr").string());
    CommandResult run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  std::string errors() const { return readFile(dir / "stderr"); }

  fs::path dir;
};

TEST_F(PelsoraTest, DocumentPageGoesToStandardOutput) {
  const fs::path file = write("Karar_Örneği_ğüşıöç.udf", maravel::testing::makeUdf(kContent));
  const CommandResult run = pelsora(quoted(file.string()));
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.starts_with("<!DOCTYPE html>"));
  EXPECT_NE(run.out.find("<title>Karar_Örneği_ğüşıöç.udf</title>"), std::string::npos);
  EXPECT_EQ(errors(), "");
}

TEST_F(PelsoraTest, OutputOptionWritesTheFile) {
  const fs::path file = write("karar.udf", maravel::testing::makeUdf(kContent));
  const fs::path out = dir / "sayfa.html";
  const CommandResult run = pelsora("-o " + quoted(out.string()) + " " + quoted(file.string()));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  const std::string page = readFile(out);
  EXPECT_NE(page.find("<title>karar.udf</title>"), std::string::npos);
  EXPECT_EQ(page, pelsora(quoted(file.string())).out);
}

TEST_F(PelsoraTest, UnreadableFileWritesTheErrorPage) {
  const fs::path file = write("bozuk.udf", maravel::testing::bytes("PK\x03\x04 kırık"));
  const CommandResult run = pelsora(quoted(file.string()));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out.size(), 546u);
  EXPECT_TRUE(run.out.starts_with("<!DOCTYPE html>\n"));
  const std::string message = errors();
  EXPECT_NE(message.find("bozuk.udf"), std::string::npos);
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);

  EXPECT_EQ(pelsora(quoted((dir / "yok.udf").string())).status, 1);
}

TEST_F(PelsoraTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(pelsora("").status, 2);
  EXPECT_NE(errors().find("pelsora:"), std::string::npos);
  for (const char* args : {"--unknown karar.udf", "a.udf b.udf", "karar.udf -o", "--"})
    EXPECT_EQ(pelsora(args).status, 2) << args;
  EXPECT_EQ(pelsora("-- -o").status, 1);  // after "--", "-o" names a file
  const fs::path file = write("karar.udf", maravel::testing::makeUdf(kContent));
  EXPECT_EQ(
      pelsora("-o " + quoted((dir / "yok" / "sayfa.html").string()) + " " + quoted(file.string())).status, 2);
}

TEST_F(PelsoraTest, HelpAndVersion) {
  EXPECT_EQ(pelsora("--help").status, 0);
  EXPECT_TRUE(pelsora("--help").out.starts_with("Usage: pelsora"));
  EXPECT_TRUE(pelsora("--version").out.starts_with("pelsora "));
}

}  // namespace
