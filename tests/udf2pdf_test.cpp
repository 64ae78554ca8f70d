// Runs udf2pdf as a shell would and reads its PDFs back with pdftotext.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "paper/pdf_writer.hpp"
#include "tests/support/golden_files.hpp"
#include "tests/support/model_values.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace {

namespace fs = std::filesystem;
using maravel::testing::CommandResult;
using maravel::testing::runCommand;

class Udf2pdfTest : public ::testing::Test {
 protected:
  CommandResult udf2pdf(const std::vector<std::string>& arguments) {
    return runCommand(MARAVEL_BINARY_DIR "/paper/udf2pdf", arguments);
  }

  maravel::testing::ScratchFolder dir;
};

// Golden documents as printed: tests/golden/<name>.pdf.txt is what
// `pdftotext -layout` reads from the PDF of <name>.xml. sayfalar: the footer's
// page number "n/N" on the right and the verification line on every page,
// the header from page 2; satirlar: lines broken where Chromium breaks them,
// tabs in right-aligned and centred paragraphs 10 points wide; sekme-sutun:
// a table of left and right tab stops whose columns line up.
TEST_F(Udf2pdfTest, GoldenDocumentsPrintAsTheirTexts) {
  for (const std::string name : {"sayfalar", "satirlar", "sekme-sutun"}) {
    const fs::path file = dir.write(name + ".udf", maravel::testing::goldenUdf(name));
    ASSERT_EQ(udf2pdf({file.string()}).status, 0) << name;
    const CommandResult text =
        runCommand("pdftotext", {"-layout", (dir.path() / (name + ".pdf")).string(), "-"});
    maravel::testing::expectGolden(maravel::testing::goldenDir() / (name + ".pdf.txt"), text.out);
  }
}

// What a PDF holds reads back as written: the title (the file's name,
// hostile like any input) with the string's delimiters in it or in UTF-16,
// and characters the face lacks, drawn from a face that has them.
TEST_F(Udf2pdfTest, TitleAndTextReadBack) {
  const struct {
    std::string title, text;
  } rows[] = {{"karar (2) \\ son).udf", "Karar metni (özet)."}, {"tutanak ğüş.udf", "Onay ✓ ve ∑ işareti."}};
  for (const auto& row : rows) {
    maravel::UDFDocument doc;
    doc.elements.emplace_back(maravel::testing::paragraphOf({maravel::testing::textRun(row.text)}));
    std::string pdf;
    ASSERT_TRUE(maravel::PdfWriter::write(doc, row.title, [&pdf](std::span<const std::uint8_t> bytes) {
      pdf.append(bytes.begin(), bytes.end());
      return true;
    }));
    const fs::path file = dir.writeText("yazi.pdf", pdf);
    EXPECT_NE(runCommand("pdfinfo", {file.string()}).out.find("Title:           " + row.title + "\n"),
              std::string::npos)
        << row.title;
    EXPECT_EQ(runCommand("pdftotext", {file.string(), "-"}).out, row.text + "\n\n\f") << row.title;
  }
}

TEST_F(Udf2pdfTest, OutputsGoWhereAsked) {
  const fs::path a = dir.write("a.udf", maravel::testing::goldenUdf("sekme-sutun"));
  const fs::path b = dir.write("b.udf", maravel::testing::goldenUdf("sekme-sutun"));
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
  const fs::path good = dir.write("iyi.udf", maravel::testing::goldenUdf("sekme-sutun"));
  const fs::path bad = dir.write("bozuk.udf", maravel::testing::bytes("PK\x03\x04 kırık"));
  const CommandResult mixed = udf2pdf({bad.string(), good.string(), "-d", dir.path().string()});
  EXPECT_EQ(mixed.status, 1);
  EXPECT_NE(mixed.err.find("bozuk.udf"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir.path() / "iyi.pdf"));
  EXPECT_FALSE(fs::exists(dir.path() / "bozuk.pdf"));
}

}  // namespace
