// The Word copies as their readers see them: LibreOffice lays the samples
// and golden documents out with every word where the paper has it,
// python-docx opens them and finds their header, footer and fields, and
// hostile texts stay text in well-formed parts.
#include "docx/docx_writer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "paper/pdf_writer.hpp"
#include "platform/text/text.hpp"
#include "reader/udf_parser.hpp"
#include "reader/xml_tree.hpp"
#include "reader/zip_extractor.hpp"
#include "tests/support/golden_files.hpp"
#include "tests/support/hostile_document.hpp"
#include "tests/support/model_values.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

namespace fs = std::filesystem;
using testing::runCommand;

struct Copy {
  std::string name;
  std::vector<std::uint8_t> udf;
  // What python-docx finds: a first page of its own, the footer's fields.
  bool firstPageApart;
  std::string footerFields;
};

std::vector<std::uint8_t> sample(const std::string& name) {
  return testing::bytes(testing::readFile(MARAVEL_BINARY_DIR "/samples/" + name + ".udf"));
}

const std::vector<Copy>& copies() {
  static const std::vector<Copy> kCopies = {
      {"karar", sample("karar"), true, "PAGE NUMPAGES"},
      {"dilekce", sample("dilekce"), false, "PAGE"},
      {"imzali-tutanak", sample("imzali-tutanak"), false, "PAGE NUMPAGES"},
      {"degistirilmis-tutanak", sample("degistirilmis-tutanak"), false, "PAGE NUMPAGES"},
      {"golden-bicim", testing::goldenUdf("bicim"), false, ""},
      {"golden-bozuk", testing::goldenUdf("bozuk"), false, ""},
      {"golden-karar", testing::goldenUdf("karar"), false, "PAGE"},
      {"golden-tablolar", testing::goldenUdf("tablolar"), false, ""}};
  return kCopies;
}

struct Word {
  double x = 0, y = 0;
  std::string text;
};

// The words of a PDF's first page in reading order: lines from the top (a
// line holds the words whose tops lie within 3 points), words from the left.
std::vector<Word> firstPageWords(const fs::path& pdf) {
  const testing::CommandResult run =
      runCommand("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf.string(), "-"});
  static const std::regex kWord(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)re");
  std::vector<Word> words;
  for (std::sregex_iterator it(run.out.begin(), run.out.end(), kWord), end; it != end; ++it)
    words.push_back({std::stod((*it)[1]), std::stod((*it)[2]), (*it)[3]});
  std::stable_sort(words.begin(), words.end(), [](const Word& a, const Word& b) { return a.y < b.y; });
  for (std::size_t begin = 0, end = 0; begin < words.size(); begin = end) {
    while (end < words.size() && words[end].y - words[begin].y <= 3) ++end;
    std::stable_sort(words.begin() + static_cast<std::ptrdiff_t>(begin),
                     words.begin() + static_cast<std::ptrdiff_t>(end),
                     [](const Word& a, const Word& b) { return a.x < b.x; });
  }
  return words;
}

// How many words of `paper` the longest common word sequence pairs with a
// word of `copy` that starts within `tolerance` points across.
std::size_t placedAlike(const std::vector<Word>& paper, const std::vector<Word>& copy, double tolerance) {
  const std::size_t n = paper.size(), m = copy.size();
  std::vector<std::vector<std::size_t>> common(n + 1, std::vector<std::size_t>(m + 1, 0));
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t j = m; j-- > 0;) {
      common[i][j] = paper[i].text == copy[j].text ? common[i + 1][j + 1] + 1
                                                   : std::max(common[i + 1][j], common[i][j + 1]);
    }
  }
  std::size_t alike = 0;
  for (std::size_t i = 0, j = 0; i < n && j < m;) {
    if (paper[i].text == copy[j].text) {
      alike += std::fabs(paper[i].x - copy[j].x) <= tolerance ? 1 : 0;
      ++i, ++j;
    } else if (common[i + 1][j] >= common[i][j + 1]) {
      ++i;
    } else {
      ++j;
    }
  }
  return alike;
}

constexpr const char* kSummary = R"(
import docx, sys
W = '{http://schemas.openxmlformats.org/wordprocessingml/2006/main}'
for name in sys.argv[1:]:
    d = docx.Document(name)
    s = d.sections[0]
    fields = ' '.join(e.get(W + 'instr').strip() for e in s.footer._element.iter(W + 'fldSimple'))
    print(len(d.paragraphs) > 0, s.different_first_page_header_footer, fields, d.core_properties.title, sep='|')
)";

TEST(DocxWriterTest, LibreOfficeLaysTheCopiesOutLikeThePaper) {
  if (!fs::exists("/usr/bin/soffice") || !fs::exists("/usr/bin/python3"))
    GTEST_SKIP() << "LibreOffice or Python is not installed";
  testing::ScratchFolder folder;
  std::vector<std::string> files;
  for (const Copy& copy : copies()) {
    const std::optional<UDFDocument> doc = UDFParser::parse(copy.udf);
    ASSERT_TRUE(doc) << copy.name;
    const auto bytes = DocxWriter::bytes(*doc, copy.name + ".udf");
    ASSERT_TRUE(bytes) << copy.name;
    files.push_back(folder.write(copy.name + ".docx", *bytes).string());
    std::vector<std::uint8_t> pdf;
    ASSERT_TRUE(PdfWriter::write(*doc, copy.name, [&pdf](std::span<const std::uint8_t> piece) {
      pdf.insert(pdf.end(), piece.begin(), piece.end());
      return true;
    }));
    folder.write(copy.name + ".pdf", pdf);
  }
  std::vector<std::string> python = {"-c", kSummary};
  python.insert(python.end(), files.begin(), files.end());
  const testing::CommandResult summary = runCommand("/usr/bin/python3", python);
  ASSERT_EQ(summary.status, 0) << summary.err;
  std::istringstream lines(summary.out);
  for (const Copy& copy : copies()) {
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, std::string("True|") + (copy.firstPageApart ? "True|" : "False|") + copy.footerFields +
                        "|" + copy.name + ".udf");
  }

  // One LibreOffice run for all, with a profile of its own.
  const fs::path laidOut = folder.path() / "lo";
  std::vector<std::string> convert = {"300",
                                      "/usr/bin/soffice",
                                      "-env:UserInstallation=file://" + (folder.path() / "profile").string(),
                                      "--headless",
                                      "--convert-to",
                                      "pdf",
                                      "--outdir",
                                      laidOut.string()};
  convert.insert(convert.end(), files.begin(), files.end());
  const testing::CommandResult office = runCommand("timeout", convert);
  ASSERT_EQ(office.status, 0) << office.err;
  for (const Copy& copy : copies()) {
    std::vector<Word> paper = firstPageWords(folder.path() / (copy.name + ".pdf"));
    // Paper prints the verification line at the foot of each page; the
    // copy keeps the code as a property only.
    const auto host = std::find_if(paper.begin(), paper.end(),
                                   [](const Word& w) { return w.text == "evraksorgu.adalet.gov.tr"; });
    if (host != paper.end()) {
      const double y = host->y;
      std::erase_if(paper, [y](const Word& w) { return std::fabs(w.y - y) <= 3; });
    }
    const std::vector<Word> word = firstPageWords(laidOut / (copy.name + ".pdf"));
    ASSERT_FALSE(paper.empty()) << copy.name;
    // Columns, indents and alignments: the large majority within 2 points.
    EXPECT_GE(placedAlike(paper, word, 2), paper.size() * 9 / 10) << copy.name << ": " << paper.size();
  }
}

TEST(DocxWriterTest, HostileTextsStayTextInWellFormedParts) {
  const std::pair<const char*, UDFDocument> documents[] = {
      {"signed", testing::hostileDocument(true)},
      {"verification code", testing::hostileDocument(false)},
      {"through the reader", UDFParser::parse(testing::hostileArchive()).value_or(UDFDocument())}};
  const std::regex kOwnElement(
      "(w|wp|a|pic|vt|cp|dc):[A-Za-z]+|Types|Default|Override|Relationships?|Properties|property|"
      "Application");
  for (const auto& [name, doc] : documents) {
    SCOPED_TRACE(name);
    const auto bytes = DocxWriter::bytes(doc, testing::kHostile);
    ASSERT_TRUE(bytes);
    const ZipEntries parts = FastZipExtractor::extractEntries(*bytes);
    ASSERT_TRUE(parts.contains("word/document.xml"));
    std::string text;
    for (const auto& [part, data] : parts) {
      if (part.starts_with("word/media/")) continue;
      const XMLParseResult tree = parseXMLTree({reinterpret_cast<const char*>(data.data()), data.size()});
      EXPECT_TRUE(tree.success) << part;
      std::vector<const XMLNode*> open = {&tree.root};
      while (!open.empty()) {
        const XMLNode* node = open.back();
        open.pop_back();
        text += node->text;
        for (const XMLNode& child : node->children) {
          EXPECT_TRUE(std::regex_match(child.name, kOwnElement)) << part << ": " << child.name;
          open.push_back(&child);
        }
      }
    }
    for (const char* piece : {"<img src=x onerror=alert(1)>", "</style></script>--><!--", "]]>"})
      EXPECT_NE(text.find(piece), std::string::npos) << piece;
  }
}

std::size_t count(const std::vector<std::uint8_t>& part, const std::string& piece) {
  const std::string text(part.begin(), part.end());
  std::size_t n = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

// Every picture is called a PNG; only the four kinds paper draws go in, as
// what their bytes are. A footer of a thousand page lines gets fields for
// the 512 bytes paper numbers. Each verified signer is a property of its own.
TEST(DocxWriterTest, PicturesFieldsAndSignersAreWhatPaperAndTheSignatureSay) {
  const std::string kinds[] = {
      std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\3\0\0\0\2", 24),
      std::string("\xFF\xD8\xFF\xE0\0\4\0\0\xFF\xC2\0\x11\x08\0\2\0\3", 18),
      std::string("GIF89a\1\0\1\0\0\0\0\x2C\0\0\0\0\1\0\1\0\0\2\0", 25),
      std::string("BM\0\0\0\0\0\0\0\0\0\0\0\0\x28\0\0\0\3\0\0\0\2\0\0\0", 26),
      R"(<svg xmlns="http://www.w3.org/2000/svg"><image href="file:///etc/passwd"/></svg>)",
      "<html><body>x</body></html>",
      std::string("PK\3\4\0\0", 6),
      "P6\n1 1\n255\nabc",
      std::string("\xD7\xCD\xC6\x9A\0\0", 6),
      std::string("II*\0\x08\0\0\0", 8)};
  UDFDocument doc;
  for (const std::string& bytes : kinds) {
    TextRun run;
    run.image = InlineImage{text::encodeBase64(testing::bytes(bytes)), "image/png", 10, 10};
    doc.elements.emplace_back(testing::paragraphOf({run}));
  }
  for (int i = 0; i < 1000; ++i)
    doc.footerElements.emplace_back(testing::paragraphOf({testing::textRun("1")}));
  for (const char* name : {"VELİ KAYA, AHMET", "X", "AYŞE <b>"})
    doc.signature.signers.push_back(
        {name, "", "", "", {}, *name == 'X' ? SignatureStatus::signatureInvalid : SignatureStatus::verified});
  ZipEntries parts = FastZipExtractor::extractEntries(DocxWriter::bytes(doc, "a.udf").value());
  std::vector<std::string> media;
  for (const auto& [name, data] : parts)
    if (name.starts_with("word/media/")) media.push_back(name);
  std::sort(media.begin(), media.end());
  EXPECT_EQ(media, (std::vector<std::string>{"word/media/image1.png", "word/media/image2.jpeg",
                                             "word/media/image3.gif", "word/media/image4.bmp"}));
  EXPECT_EQ(parts["word/media/image3.gif"], testing::bytes(kinds[2]));
  EXPECT_EQ(count(parts["[Content_Types].xml"], "ContentType=\"image/"), 4u);
  EXPECT_EQ(count(parts["word/document.xml"], "<w:drawing>"), 4u);
  EXPECT_EQ(count(parts["word/footer1.xml"], "w:instr=\" PAGE \""), 512u);
  const std::vector<std::uint8_t>& custom = parts["docProps/custom.xml"];
  EXPECT_EQ(count(custom, "<property "), 2u);
  EXPECT_EQ(count(custom, "name=\"Asıl Belgeyi İmzalayan 1\"><vt:lpwstr>VELİ KAYA, AHMET<"), 1u);
  EXPECT_EQ(count(custom, "name=\"Asıl Belgeyi İmzalayan 2\"><vt:lpwstr>AYŞE &lt;b&gt;<"), 1u);
}

}  // namespace
}  // namespace maravel
