// Golden pages: each tests/golden/<name>.xml is the content.xml of a
// document written the way the editor writes it (with <name>.properties.xml
// as its documentproperties.xml when present). The driver packs it into a
// .udf archive, parses it and renders the page with the title "<name>.udf";
// the page must equal tests/golden/<name>.html byte for byte.
//
// karar.html holds the whole page. The other pairs hold it with the fixed
// rules of the stylesheet (the same on every page but for the sheet's size,
// which the page writer tests check) each replaced by one marker line, so
// that they show what their document changes: the generated classes, the
// badge and the sheet's content.
//
// To add a pair, write the .xml, then run this test once with
// MARAVEL_UPDATE_GOLDEN=1 in the environment: it writes the missing or
// changed .html files instead of comparing. Read every generated page
// against the page's fixed fragments before committing it. Tab boxes are
// sized from measured text, so the pages assume the fonts scripts/setup
// installs (Liberation standing in for Times New Roman and Arial).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string_view>

#include "html/html_renderer.hpp"
#include "reader/udf_parser.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/support/zip_writer.hpp"

namespace maravel {
namespace {

namespace fs = std::filesystem;

fs::path goldenDir() { return fs::path(MARAVEL_SOURCE_DIR) / "tests" / "golden"; }

std::vector<std::string> pairNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(goldenDir())) {
    const fs::path& path = entry.path();
    const std::string stem = path.stem().string();
    if (path.extension() == ".xml" && stem.find('.') == std::string::npos) names.push_back(stem);
  }
  std::sort(names.begin(), names.end());
  return names;
}

const std::set<std::string> kWholePages = {"karar"};
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

bool updating() {
  const char* value = std::getenv("MARAVEL_UPDATE_GOLDEN");
  return value != nullptr && std::string(value) == "1";
}

class GoldenPageTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenPageTest, PageMatches) {
  const std::string name = GetParam();
  const std::string content = testing::readFile(goldenDir() / (name + ".xml"));
  ASSERT_FALSE(content.empty());
  const std::string properties = testing::readFile(goldenDir() / (name + ".properties.xml"));
  const std::optional<UDFDocument> doc = UDFParser::parse(testing::makeUdf(
      content, properties.empty() ? std::nullopt : std::optional<std::string_view>(properties)));
  ASSERT_TRUE(doc) << name;
  std::string page = UDFHTMLRenderer::renderHTML(*doc, name + ".udf");
  if (!kWholePages.contains(name)) page = withoutFixedRules(std::move(page));

  const fs::path expectedPath = goldenDir() / (name + ".html");
  const std::string expected = testing::readFile(expectedPath);
  if (updating() && expected != page) {
    std::ofstream(expectedPath, std::ios::binary) << page;
    GTEST_SKIP() << "wrote " << expectedPath;
  }
  ASSERT_FALSE(expected.empty()) << "no " << expectedPath << "; run with MARAVEL_UPDATE_GOLDEN=1";
  EXPECT_EQ(page, expected);
}

INSTANTIATE_TEST_SUITE_P(Pairs, GoldenPageTest, ::testing::ValuesIn(pairNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace maravel
