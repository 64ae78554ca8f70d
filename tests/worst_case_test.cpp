// The crafted worst cases of tests/support/worst_cases.cpp through pelsora,
// tivenna, udfdump and udf2docx as whole processes: each must finish (a watchdog ends a
// hang), and what comes before the bound it meets must be kept. How long each
// takes and how much memory it needs is measured by bench/worst_case_bench,
// not here.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/scratch_folder.hpp"
#include "tests/support/worst_cases.hpp"

namespace maravel {
namespace {

// Far above what any case takes, even under the sanitizers.
constexpr const char* kWatchdogSeconds = "600";

std::size_t count(std::string_view haystack, std::string_view needle) {
  std::size_t n = 0;
  for (std::size_t at = haystack.find(needle); at != std::string_view::npos;
       at = haystack.find(needle, at + 1))
    ++n;
  return n;
}

testing::CommandResult run(const char* program, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"--kill-after=10", kWatchdogSeconds, program});
  return testing::runCommand("timeout", arguments);
}

// The JSON text of the document's rawText, the last key udfdump writes.
std::string_view rawTextOf(std::string_view dump) {
  constexpr std::string_view kKey = "\"rawText\": ";
  const std::size_t start = dump.rfind(kKey) + kKey.size();
  return dump.substr(start, dump.rfind("\n}") - start);
}

struct Expected {
  const char* name;
  int status;  // of pelsora and udfdump; tivenna always writes its sheet
  // Texts and how often each occurs in udfdump's output and in the page.
  std::vector<std::pair<std::string, std::size_t>> inDump;
  std::vector<std::pair<std::string, std::size_t>> inPage;
};

// gtest names each case by it.
void PrintTo(const Expected& expected, std::ostream* out) { *out << expected.name; }

const std::string kThousandTabs = "\"text\": \"" + [] {
  std::string tabs;
  for (int i = 0; i < 1000; ++i) tabs += "\\t";
  return tabs;
}() + "\"";

// clang-format off
const Expected kExpected[] = {
    // Five runs are whole (4 x the text block + 1 Mi units), the rest dropped.
    {"runs", 0, {{"\"text\": \"Davaci vekili dava", 5}}, {}},
    // One list shared by all paragraphs; the first thousand keep their tabs.
    {"tabset", 0, {{"\"$ref\": \"#/elements/0/paragraph/tabStops\"", 99'999}, {"\"position\": 1000.0", 1},
                   {"\"position\": 1001.0", 0}, {kThousandTabs, 1'052}},
     {{"class=\"udf-tab\"", 1'052'576}}},  // and the cut run's 576
    {"cells", 0, {{"\"cells\": [", 1'000}, {"\"runs\": []", 200'000}}, {{"<td ", 200'000}}},
    // The tables up to the reader's 32 levels, and the paragraphs around them.
    {"nesting", 0, {{"\"table\": {", 32}, {"\"text\": \"Once\"", 1}, {"\"text\": \"Sonra\"", 1}},
     {{"<table class=\"udf-row\">", 32}, {">Once<", 1}, {">Sonra<", 1}}},
    {"listlevel", 0, {{"\"listMarker\": \"(1)\"", 100'000}}, {}},
    {"counters", 0, {{"\"listMarker\": \"9223372036854775806.\"", 1},
                     {"\"listMarker\": \"9223372036854775807.\"", 99'999}}, {}},
    {"entries", 0, {{"\"text\": \"Son girdi\"", 1}}, {{">Son girdi<", 1}}},
    {"bombs", 0, {{"\"text\": \"Bombadan sonra\"", 1}}, {{">Bombadan sonra<", 1}}},
    {"localheader", 0, {{"\"text\": \"Yerel baslik\"", 1}, {"\"verificationCode\": \"\"", 1}}, {}},
    {"truncated", 1, {}, {{"UDF Belgesi Önizlenemedi", 1}}},
    // The picture is left out; the paragraphs before and after it stay.
    {"picture", 0, {{"\"text\": \"Once\"", 1}, {"\"text\": \"Sonra\"", 1}, {"\"image\": {", 0}},
     {{">Once<", 1}, {">Sonra<", 1}, {"<img", 0}}},
    {"pixels", 0, {{"\"width\": 2147483648.0", 1}, {"\"height\": 2147483648.0", 1}},
     {{"width:calc(2147483648*var(--u));height:calc(2147483648*var(--u))", 1}}},
    {"windows1254", 0, {{"\"text\": \"Şişli Asliye Hukuk", 25'000}}, {}},
    // 664 copies of the template row (301 elements) fit in the budget for copies.
    {"form", 0, {{"\"text\": \"deger\"", 66'400}, {"\"text\": \"x", 0}}, {{">deger<", 66'400}}},
};
// clang-format on

class WorstCaseTest : public ::testing::TestWithParam<Expected> {
 protected:
  testing::ScratchFolder folder;
};

#if defined(MARAVEL_SANITIZED)
// The cases whose point is their size: they prove time and memory bounds,
// which a sanitizer build (ten times slower) cannot measure; the fuzz
// regressions and the unit suites take the same paths there.
bool isCostly(std::string_view name) {
  for (const std::string_view costly :
       {"runs", "tabset", "cells", "listlevel", "counters", "picture", "windows1254", "form"})
    if (name == costly) return true;
  return false;
}
#endif

TEST_P(WorstCaseTest, EveryDoorFinishesAndKeepsWhatComesBeforeTheBound) {
  const Expected& expected = GetParam();
#if defined(MARAVEL_SANITIZED)
  if (isCostly(expected.name)) GTEST_SKIP() << "measured in the plain build";
#endif
  const testing::WorstCase* worstCase = nullptr;
  for (const auto& candidate : testing::worstCases())
    if (candidate.name == expected.name) worstCase = &candidate;
  ASSERT_NE(worstCase, nullptr);
  const std::string file = folder.write(worstCase->name + ".udf", worstCase->archive()).string();

  const testing::CommandResult dump = run(UDFDUMP_PATH, {file});
  EXPECT_EQ(dump.status, expected.status) << dump.err;
  for (const auto& [text, n] : expected.inDump) EXPECT_EQ(count(dump.out, text), n) << text.substr(0, 60);
  // Whole runs are whole: each holds the entire text block.
  if (expected.name == std::string_view("runs")) {
    EXPECT_EQ(count(dump.out, rawTextOf(dump.out)), 6u);
  }

  const testing::CommandResult page = run(PELSORA_PATH, {file});
  EXPECT_EQ(page.status, expected.status) << page.err;
  EXPECT_TRUE(page.out.ends_with("</html>\n") || page.out.ends_with("</html>"));
  for (const auto& [text, n] : expected.inPage) EXPECT_EQ(count(page.out, text), n) << text.substr(0, 60);

  const std::string copy = (folder.path() / "kopya.docx").string();
  EXPECT_EQ(run(UDF2DOCX_PATH, {"-o", copy, file}).status, expected.status);
  EXPECT_EQ(std::filesystem::exists(copy), expected.status == 0);

  const std::string png = (folder.path() / "thumbnail.png").string();
  EXPECT_EQ(run(TIVENNA_PATH, {"-s", "256", file, png}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(png));
}

INSTANTIATE_TEST_SUITE_P(Cases, WorstCaseTest, ::testing::ValuesIn(kExpected),
                         [](const ::testing::TestParamInfo<Expected>& info) { return info.param.name; });

TEST(WorstCases, EveryCraftedDocumentHasItsExpectations) {
  std::vector<std::string> named;
  for (const Expected& expected : kExpected) named.emplace_back(expected.name);
  std::vector<std::string> built;
  for (const auto& worstCase : testing::worstCases()) built.push_back(worstCase.name);
  EXPECT_EQ(named, built);
}

}  // namespace
}  // namespace maravel
