// Runs udf2pdf as a shell would and reads its PDFs back with pdftotext.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/golden_files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace {

namespace fs = std::filesystem;
using maravel::testing::CommandResult;
using maravel::testing::runCommand;

// A tab-stop table (a left stop at 100, a right stop at 400) between
// two paragraphs, in the editor's shape.
constexpr std::string_view kContent = R"(<?xml version="1.0" encoding="UTF-8" ?> 

<template format_id="1.8" >
<content><![CDATA[Giriş paragrafı burada.
Kalem	Adet	Tutar
Asıl alacak	1	48.250,75
Faiz	12	1.312,40
Sonuç paragrafı burada.
]]></content>
<properties><pageFormat mediaSizeName="1" leftMargin="70.86614227294922" rightMargin="56.69291305541992" topMargin="42.51968479156494" bottomMargin="42.51968479156494" paperOrientation="1" /></properties>
<elements resolver="hvl-default">
<paragraph Alignment="0" resolver="hvl-default"><content resolver="hvl-default" startOffset="0" length="24" /></paragraph>
<paragraph TabSet="100.0:0:0,400.0:1:0" Alignment="0" resolver="hvl-default"><content resolver="hvl-default" startOffset="24" length="17" /></paragraph>
<paragraph TabSet="100.0:0:0,400.0:1:0" Alignment="0" resolver="hvl-default"><content resolver="hvl-default" startOffset="41" length="24" /></paragraph>
<paragraph TabSet="100.0:0:0,400.0:1:0" Alignment="0" resolver="hvl-default"><content resolver="hvl-default" startOffset="65" length="17" /></paragraph>
<paragraph Alignment="0" resolver="hvl-default"><content resolver="hvl-default" startOffset="82" length="24" /></paragraph>
</elements>
<styles><style name="hvl-default" family="Times New Roman" size="12" description="Gövde" /></styles>
</template>
)";

class Udf2pdfTest : public ::testing::Test {
 protected:
  CommandResult udf2pdf(const std::vector<std::string>& arguments) {
    return runCommand(MARAVEL_BINARY_DIR "/paper/udf2pdf", arguments);
  }

  // The PDF's text laid out as on the page, one line per text line.
  std::vector<std::string> layoutText(const fs::path& pdf) {
    const CommandResult run = runCommand("pdftotext", {"-layout", pdf.string(), "-"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);) {
      if (line.find_first_not_of(" \f") != std::string::npos) lines.push_back(line);
    }
    return lines;
  }

  maravel::testing::ScratchFolder dir;
};

TEST_F(Udf2pdfTest, TabColumnsLineUpAndEveryParagraphIsThereInOrder) {
  const fs::path file = dir.write("karar.udf", maravel::testing::makeUdf(kContent));
  const CommandResult run = udf2pdf({file.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  const std::vector<std::string> lines = layoutText(dir.path() / "karar.pdf");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_NE(lines[0].find("Giriş paragrafı burada."), std::string::npos);
  EXPECT_NE(lines[4].find("Sonuç paragrafı burada."), std::string::npos);
  // Columns in characters, as pdftotext lays them out.
  const auto column = [&](std::size_t line, const std::string& word) {
    const std::string before = lines[line].substr(0, lines[line].find(word));
    return std::count_if(before.begin(), before.end(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
  };
  EXPECT_EQ(column(1, "Adet"), column(2, "1"));
  EXPECT_EQ(column(1, "Adet"), column(3, "12"));
  const auto end = [&](std::size_t line, const std::string& word) {
    return column(line, word) + static_cast<std::ptrdiff_t>(word.size());
  };
  EXPECT_EQ(end(1, "Tutar"), end(2, "48.250,75"));
  EXPECT_EQ(end(1, "Tutar"), end(3, "1.312,40"));
}

// Golden documents as printed: tests/golden/<name>.pdf.txt is what
// `pdftotext -layout` reads from the PDF of <name>.xml. sayfalar: the footer's
// page number "n/N" on the right and the verification line on every page,
// the header from page 2; satirlar: lines broken where Chromium breaks them,
// tabs in right-aligned and centred paragraphs 10 points wide.
TEST_F(Udf2pdfTest, GoldenDocumentsPrintAsTheirTexts) {
  for (const std::string name : {"sayfalar", "satirlar"}) {
    const fs::path file = dir.write(name + ".udf", maravel::testing::goldenUdf(name));
    ASSERT_EQ(udf2pdf({file.string()}).status, 0) << name;
    const CommandResult text =
        runCommand("pdftotext", {"-layout", (dir.path() / (name + ".pdf")).string(), "-"});
    maravel::testing::expectGolden(maravel::testing::goldenDir() / (name + ".pdf.txt"), text.out);
  }
}

TEST_F(Udf2pdfTest, OutputsGoWhereAsked) {
  const fs::path a = dir.write("a.udf", maravel::testing::makeUdf(kContent));
  const fs::path b = dir.write("b.udf", maravel::testing::makeUdf(kContent));
  const CommandResult toStdout = udf2pdf({"-o", "-", a.string()});
  EXPECT_EQ(toStdout.status, 0);
  EXPECT_TRUE(toStdout.out.starts_with("%PDF-"));
  EXPECT_NE(toStdout.out.find("%%EOF"), std::string::npos);

  const fs::path out = dir.path() / "pdfler";
  const CommandResult several = udf2pdf({a.string(), b.string(), "-d", out.string()});
  EXPECT_EQ(several.status, 0) << several.err;
  EXPECT_EQ(several.err, "");  // progress lines only on a terminal
  for (const char* name : {"a.pdf", "b.pdf"}) {
    EXPECT_TRUE(maravel::testing::readFile(out / name).starts_with("%PDF-")) << name;
  }
}

TEST_F(Udf2pdfTest, ExitStatus) {
  const fs::path good = dir.write("iyi.udf", maravel::testing::makeUdf(kContent));
  const fs::path bad = dir.write("bozuk.udf", maravel::testing::bytes("PK\x03\x04 kırık"));
  const CommandResult mixed = udf2pdf({bad.string(), good.string(), "-d", dir.path().string()});
  EXPECT_EQ(mixed.status, 1);
  EXPECT_NE(mixed.err.find("bozuk.udf"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir.path() / "iyi.pdf"));
  EXPECT_FALSE(fs::exists(dir.path() / "bozuk.pdf"));
}

}  // namespace
