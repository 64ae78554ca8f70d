// Golden documents: each tests/golden/<name>.xml is the content.xml of a
// document (with <name>.properties.xml as its documentproperties.xml and
// <name>.imza naming its signature, when present). The driver packs it into
// a .udf archive, parses it and renders the page with the title
// "<name>.udf"; the page must equal tests/golden/<name>.html byte for byte,
// its plain text (as udftotext prints it) <name>.txt, and udfdump's JSON of
// the same archive (the whole model) <name>.json.
//
// karar, a5-yatay and four imza-* pages are whole pages (A4, a landscape A5
// sheet with narrow content, the rules each badge brings). The others hold
// the page with the fixed rules of the stylesheet each replaced by one
// marker line, so that they show what their document changes: the
// generated classes, the badge and the sheet's content.
//
// To add a document, write the .xml, then run this test once with
// MARAVEL_UPDATE_GOLDEN=1 in the environment: it writes the missing or
// changed .html, .txt and .json files instead of comparing. Read every
// generated file before committing it. Tab boxes are sized from measured
// text, so the pages assume the fonts scripts/setup installs (Liberation
// standing in for Times New Roman and Arial).

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "html/html_renderer.hpp"
#include "reader/udf_parser.hpp"
#include "tests/support/golden_files.hpp"
#include "tests/support/model_invariants.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/plain_text_writer.hpp"

namespace maravel {
namespace {

const std::set<std::string> kWholePages = {"karar",         "a5-yatay",   "imza-gecerli",
                                           "imza-degismis", "imza-sahte", "imza-okunamaz"};
constexpr std::string_view kElided = "        /* fixed rules */\n";

// Replaces the text after `from` up to and including `through` (searched
// after `from`) by the marker line.
void elide(std::string& page, std::string_view from, std::string_view through) {
  const std::size_t start = page.find(from);
  if (start == std::string::npos) return;
  const std::size_t end = page.find(through, start + from.size());
  if (end == std::string::npos) return;
  page.replace(start + from.size(), end + through.size() - start - from.size(), kElided);
}

std::string withoutFixedRules(std::string page) {
  elide(page, "    <style>\n", ".udf-footer {\n            margin-top: calc(18 * var(--u));\n        }\n");
  elide(page, "        }\n        /* Footer Notu */\n", "            align-items: center;\n        }\n");
  return page;
}

class GoldenPageTest : public ::testing::TestWithParam<std::string> {};

// One test a document (the signed ones make their keys once).
TEST_P(GoldenPageTest, PageDumpAndTextMatch) {
  const std::string name = GetParam();
  const std::vector<std::uint8_t> udf = testing::goldenUdf(name);
  const std::optional<UDFDocument> doc = UDFParser::parse(udf);
  ASSERT_TRUE(doc) << name;
  EXPECT_EQ(UDFParser::rawText(udf), doc->rawText);  // the thumbnail's one-pass read
  EXPECT_EQ(testing::modelViolations(*doc), std::vector<std::string>{});
  std::string page = UDFHTMLRenderer::renderHTML(*doc, name + ".udf");
  if (!kWholePages.contains(name)) page = withoutFixedRules(std::move(page));
  testing::expectGolden(testing::goldenDir() / (name + ".html"), page);
  testing::expectGolden(testing::goldenDir() / (name + ".txt"), PlainTextWriter::write(*doc));

  testing::ScratchFolder folder;
  const testing::CommandResult run =
      testing::runCommand(UDFDUMP_PATH, {folder.write(name + ".udf", udf).string()});
  EXPECT_EQ(run.err, "");
  testing::expectGolden(testing::goldenDir() / (name + ".json"), run.out);
}

// The project's samples, packed (and three of them signed) by the build:
// their dumps are tests/golden/samples/<name>.json.
class SampleDumpTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SampleDumpTest, DumpMatches) {
  const testing::CommandResult run =
      testing::runCommand(UDFDUMP_PATH, {MARAVEL_BINARY_DIR "/samples/" + GetParam() + ".udf"});
  EXPECT_EQ(run.err, "");
  testing::expectGolden(testing::goldenDir() / "samples" / (GetParam() + ".json"), run.out);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleDumpTest,
                         ::testing::Values("arabuluculuk-tutanagi", "degistirilmis-tutanak", "dilekce",
                                           "harc-makbuzu", "imzali-tutanak", "karar"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

INSTANTIATE_TEST_SUITE_P(Pairs, GoldenPageTest, ::testing::ValuesIn(testing::goldenNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace maravel
