// Runs udf2pdf as a shell would and reads its PDFs back with pdftotext.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "paper/pdf_writer.hpp"
#include "platform/text/text.hpp"
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

  // The PDF of `doc`, written in the folder.
  fs::path writePdf(const maravel::UDFDocument& doc, const std::string& title) {
    std::string pdf;
    EXPECT_TRUE(maravel::PdfWriter::write(doc, title, [&pdf](std::span<const std::uint8_t> bytes) {
      pdf.append(bytes.begin(), bytes.end());
      return true;
    }));
    return dir.writeText("yazi.pdf", pdf);
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
    const fs::path file = writePdf(doc, row.title);
    EXPECT_NE(runCommand("pdfinfo", {file.string()}).out.find("Title:           " + row.title + "\n"),
              std::string::npos)
        << row.title;
    EXPECT_EQ(runCommand("pdftotext", {file.string(), "-"}).out, row.text + "\n\n\f") << row.title;
  }
}

// A JPEG at its own size goes into the PDF as it is, once for the three
// pages that show it.
TEST_F(Udf2pdfTest, JpegGoesInAsItIsOnce) {
  maravel::UDFDocument text;
  text.elements.emplace_back(maravel::testing::paragraphOf({maravel::testing::textRun("Resim")}));
  const std::string jpeg = (dir.path() / "resim").string();
  ASSERT_EQ(
      runCommand("pdftoppm", {"-jpeg", "-scale-to", "16", "-singlefile", writePdf(text, "a").string(), jpeg})
          .status,
      0);
  const std::string bytes = maravel::testing::readFile(jpeg + ".jpg");
  maravel::TextRun picture;
  picture.image = maravel::InlineImage{
      maravel::text::encodeBase64({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}),
      "image/jpeg", 400, 600};
  maravel::UDFDocument doc;
  for (int page = 0; page < 3; ++page) doc.elements.emplace_back(maravel::testing::paragraphOf({picture}));
  const std::string list = runCommand("pdfimages", {"-list", writePdf(doc, "b").string()}).out;
  // One row a page: page, number, type, size, colour, ..., encoding, interpolation, object.
  std::istringstream rows(list);
  std::multiset<std::string> encodings;
  std::set<std::string> objects;
  for (std::string row, field; std::getline(rows, row);) {
    std::istringstream fields(row);
    std::vector<std::string> parts;
    while (fields >> field) parts.push_back(field);
    if (parts.size() < 11 || parts[2] != "image") continue;
    encodings.insert(parts[8]);
    objects.insert(parts[10]);
  }
  EXPECT_EQ(encodings, (std::multiset<std::string>{"jpeg", "jpeg", "jpeg"})) << list;
  EXPECT_EQ(objects.size(), 1u) << list;
}

// An override turns the digits around on the page; the PDF shows, and reads
// back, what the page shows.
TEST_F(Udf2pdfTest, RightToLeftOverridePrintsAsThePageShowsIt) {
  maravel::UDFDocument doc;
  doc.elements.emplace_back(
      maravel::testing::paragraphOf({maravel::testing::textRun("tutar: \u202E00.005\u202C TL")}));
  const std::string text = runCommand("pdftotext", {writePdf(doc, "tutar").string(), "-"}).out;
  EXPECT_NE(text.find("500.00"), std::string::npos) << text;
}

// The colour emoji face has pictures for glyphs and no outlines, which no
// PDF reader draws: its glyphs go in as pictures, the face not at all.
TEST_F(Udf2pdfTest, ColourEmojiGoInAsPictures) {
  maravel::UDFDocument doc;
  doc.elements.emplace_back(
      maravel::testing::paragraphOf({maravel::testing::textRun("Onay \U0001F44D \U0001F44D")}));
  const fs::path file = writePdf(doc, "emoji");
  EXPECT_EQ(runCommand("pdffonts", {file.string()}).out.find("Emoji"), std::string::npos);
  const std::string list = runCommand("pdfimages", {"-list", file.string()}).out;
  // Two rows of heading, then each of the two drawings: the picture and its mask.
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2 + 4) << list;
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
