// The crafted worst cases of bench/worst_cases.cpp through the seven
// commands as whole processes: each must finish (a watchdog ends a hang)
// with its exit status, keep what comes before the bound it meets, never
// die of a signal, and leave outputs that are not regular files in place.
// How long each takes and how much memory it needs is measured by
// bench/worst_case_bench, not here.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/worst_cases.hpp"
#include "tests/support/scratch_folder.hpp"

namespace maravel {
namespace {

using testing::Situation;

// Far above what any case takes, even under the sanitizers.
constexpr const char* kWatchdogSeconds = "600";

constexpr const char* kPrograms[] = {PELSORA_PATH, TIVENNA_PATH,   UDFDUMP_PATH, UDFVERIFY_PATH,
                                     UDF2PDF_PATH, UDFTOTEXT_PATH, UDF2DOCX_PATH};
enum Command { pelsora, tivenna, udfdump, udfverify, udf2pdf, udftotext, udf2docx };

std::size_t count(std::string_view haystack, std::string_view needle) {
  std::size_t n = 0;
  for (std::size_t at = haystack.find(needle); at != std::string_view::npos;
       at = haystack.find(needle, at + 1))
    ++n;
  return n;
}

// The JSON text of the document's rawText, the last key udfdump writes.
std::string_view rawTextOf(std::string_view dump) {
  constexpr std::string_view kKey = "\"rawText\": ";
  const std::size_t start = dump.rfind(kKey) + kKey.size();
  return dump.substr(start, dump.rfind("\n}") - start);
}

using Counts = std::vector<std::pair<std::string, std::size_t>>;

struct Expected {
  const char* name;
  // Exit status of pelsora, tivenna, udfdump, udfverify, udf2pdf, udftotext, udf2docx.
  std::array<int, 7> status;
  // Texts and how often each occurs in udfdump's output, the page and the text.
  Counts inDump;
  Counts inPage;
  Counts inText;
};

// gtest names each case by it.
void PrintTo(const Expected& expected, std::ostream* out) { *out << expected.name; }

const std::string kThousandTabs = "\"text\": \"" + [] {
  std::string tabs;
  for (int i = 0; i < 1000; ++i) tabs += "\\t";
  return tabs;
}() + "\"";

// An ordinary document: every command but udfverify succeeds, and that
// finds no signature.
constexpr std::array<int, 7> kRead = {0, 0, 0, 1, 0, 0, 0};
// No document in what was read: the error page, frame and badge, and five
// failures; udfdump fails harder when nothing could be read.
constexpr std::array<int, 7> kNotADocument = {1, 0, 1, 1, 1, 1, 1};
constexpr std::array<int, 7> kUnread = {1, 0, 2, 1, 1, 1, 1};
// Every output fails (tivenna says so with 1).
constexpr std::array<int, 7> kUnwritten = {2, 1, 2, 2, 2, 2, 2};

// clang-format off
const Expected kExpected[] = {
    // Five runs are whole (4 x the text block + 1 Mi units), the rest dropped.
    {"runs", kRead, {{"\"text\": \"Davaci vekili dava", 5}}, {}, {}},
    // One list shared by all paragraphs; the first thousand keep their tabs.
    {"tabset", kRead, {{"\"$ref\": \"#/elements/0/paragraph/tabStops\"", 99'999}, {"\"position\": 1000.0", 1},
                       {"\"position\": 1001.0", 0}, {kThousandTabs, 1'052}},
     {{"class=\"udf-tab\"", 588'241}}, {}},  // as many as the page bytes of 292 KiB allow
    {"cells", kRead, {{"\"cells\": [", 1'000}, {"\"runs\": []", 200'000}}, {{"<td ", 91'400}}, {}},
    // The tables up to the reader's 32 levels, and the paragraphs around them.
    {"nesting", kRead, {{"\"table\": {", 32}, {"\"text\": \"Once\"", 1}, {"\"text\": \"Sonra\"", 1}},
     {{"<table class=\"udf-row\">", 32}, {">Once<", 1}, {">Sonra<", 1}}, {{"Once\n", 1}}},
    {"listlevel", kRead, {{"\"listMarker\": \"(1)\"", 100'000}}, {}, {}},
    {"counters", kRead, {{"\"listMarker\": \"9223372036854775806.\"", 1},
                         {"\"listMarker\": \"9223372036854775807.\"", 99'999}}, {}, {}},
    {"entries", kRead, {{"\"text\": \"Son girdi\"", 1}}, {{">Son girdi<", 1}}, {}},
    {"bombs", kRead, {{"\"text\": \"Bombadan sonra\"", 1}}, {{">Bombadan sonra<", 1}}, {}},
    {"localheader", kRead, {{"\"text\": \"Yerel baslik\"", 1}, {"\"verificationCode\": \"\"", 1}}, {}, {}},
    {"truncated", kNotADocument, {}, {{"UDF Belgesi Önizlenemedi", 1}}, {}},
    // The picture is left out; the paragraphs before and after it stay.
    {"picture", kRead, {{"\"text\": \"Once\"", 1}, {"\"text\": \"Sonra\"", 1}, {"\"image\": {", 0}},
     {{">Once<", 1}, {">Sonra<", 1}, {"<img", 0}}, {}},
    {"pixels", kRead, {{"\"width\": 2147483648.0", 1}, {"\"height\": 2147483648.0", 1}},
     {{"width:calc(2147483648*var(--u));height:calc(2147483648*var(--u))", 1}}, {}},
    {"windows1254", kRead, {{"\"text\": \"Şişli Asliye Hukuk", 25'000}}, {}, {}},
    // An attribute list declaration ends the XML before any text: no document.
    {"defaults", kNotADocument, {}, {{"UDF Belgesi Önizlenemedi", 1}}, {}},
    {"defaultslate", kNotADocument, {}, {{"UDF Belgesi Önizlenemedi", 1}}, {}},
    // 2,500 paragraphs fill the attribute bound; the text after them is not reached.
    {"attributes", kRead, {{"\"paragraph\": {", 2'500}, {"\"rawText\": \"\"", 1}}, {}, {}},
    // The document ends before the crowded tag.
    {"crowded", kRead, {{"\"text\": \"Once\"", 1}, {"\"text\": \"Sonra\"", 0}}, {{">Once<", 1}}, {{"Once\n", 1}}},
    {"names", kRead, {{"\"paragraph\": {", 4}}, {}, {}},
    {"tabs", kRead, {{"\"text\": \"a\\t\\t", 5}}, {{"class=\"udf-tab\"", 105'524}}, {}},
    {"spans", kRead, {}, {}, {}},
    {"cdata", kRead, {}, {}, {}},
    {"word", kRead, {}, {}, {}},
    {"narrow", kRead, {}, {}, {}},
    {"bidi", kRead, {}, {}, {}},
    {"nofont", kRead, {}, {}, {}},
    {"marks", kRead, {}, {}, {}},
    {"headers", kRead, {}, {}, {}},
    {"png", kRead, {}, {}, {}},
    {"pnm", kRead, {}, {}, {}},
    {"pngheader", kRead, {}, {}, {}},
    {"pictures", kRead, {}, {}, {}},
    {"svg", kRead, {}, {}, {}},
    {"svglink", kRead, {}, {}, {}},
    {"pagefields", kRead, {}, {}, {}},
    // The page, the PDF and the text have the run; paper leaves out what no sheet can show.
    {"fontsize", kRead, {}, {{">Dev<", 1}}, {{"Dev harf\n", 2}}},
    {"zeros", kUnread, {}, {}, {}},
    {"sparse", kUnread, {}, {}, {}},
    {"full", kUnwritten, {}, {}, {}},
    {"fifo", kRead, {}, {}, {}},
    {"pipe", kUnwritten, {}, {}, {}},
    // The text the XML parser delivers, not the markers in the comment.
    {"markers", kRead, {{"\"rawText\": \"Gercek metin\"", 1}}, {{">Gercek metin<", 1}}, {{"Gercek metin\n", 1}}},
    {"stdin", kRead, {{"\"text\": \"Ornek metin\\tsekmeli\"", 1}}, {{">Ornek metin<", 1}}, {{"Ornek metin\tsekmeli\n", 1}}},
    {"utf16", kRead, {{"\"text\": \"Genişlik ölçüsü\"", 1}}, {}, {{"Genişlik ölçüsü\n", 1}}},
    {"utf32", kRead, {{"\"text\": \"Genişlik ölçüsü\"", 1}}, {}, {{"Genişlik ölçüsü\n", 1}}},
    // 664 copies of the template row (301 elements) fit in the budget for copies.
    {"form", kRead, {{"\"text\": \"deger\"", 66'400}, {"\"text\": \"x", 0}}, {{">deger<", 66'400}}, {}},
    {"literal", kRead, {{"\"text\": \"Once\"", 1}, {"\"text\": \"Sonra\"", 0}}, {{">Once<", 1}}, {{"Once\n", 1}}},
    {"refused", kRead, {{"\"text\": \"Reddedildi\"", 1}, {"Kabul", 0}}, {{">Reddedildi<", 1}}, {{"Reddedildi\n", 1}}},
    {"laughs", kNotADocument, {}, {{"UDF Belgesi Önizlenemedi", 1}}, {}},
    {"latin5", kRead, {{"\"text\": \"Şişli Asliye Hukuk\"", 1}}, {}, {{"Şişli Asliye Hukuk\n", 1}}},
    {"utf16bare", kRead, {{"\"text\": \"Genişlik ölçüsü\"", 1}}, {}, {{"Genişlik ölçüsü\n", 1}}},
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
       {"runs", "tabset", "cells", "listlevel", "counters", "picture", "windows1254", "attributes", "crowded", "literal",
        "spans", "cdata", "png", "pictures", "form"})
    if (name == costly) return true;
  return false;
}
#endif

bool isFileType(const std::filesystem::path& path, mode_t type) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == type;
}

TEST_P(WorstCaseTest, EveryCommandFinishesAndKeepsWhatComesBeforeTheBound) {
  const Expected& expected = GetParam();
#if defined(MARAVEL_SANITIZED)
  if (isCostly(expected.name)) GTEST_SKIP() << "measured in the plain build";
#endif
  const testing::WorstCase* worstCase = nullptr;
  for (const auto& candidate : testing::worstCases())
    if (candidate.name == expected.name) worstCase = &candidate;
  ASSERT_NE(worstCase, nullptr);
  const std::filesystem::path file = folder.write(worstCase->name + ".udf", worstCase->archive());

  for (std::size_t command = 0; command < std::size(kPrograms); ++command) {
    const std::string line =
        testing::commandLine(*worstCase, command, kPrograms[command], file, folder.path());
    const testing::CommandResult run =
        testing::runCommand("timeout", {"--kill-after=10", kWatchdogSeconds, "sh", "-c", line});
    const std::string_view name = testing::kCommands[command];
    EXPECT_EQ(run.status, expected.status[command]) << name << ": " << run.err;
    // A failure is one line on standard error that names its cause.
    if (run.status > (command == udfverify || command == pelsora ? 1 : 0)) {
      EXPECT_TRUE(run.err.starts_with(std::string(name) + ": ")) << name << ": " << run.err;
      EXPECT_EQ(count(run.err, "\n"), 1u) << name << ": " << run.err;
    }
    const auto expectCounts = [&](const Counts& counts) {
      for (const auto& [text, n] : counts)
        EXPECT_EQ(count(run.out, text), n) << name << ": " << text.substr(0, 60);
    };
    if (command == udfdump) expectCounts(expected.inDump);
    if (command == pelsora) expectCounts(expected.inPage);
    if (command == udftotext) expectCounts(expected.inText);
    const bool toStandardOutput = worstCase->situation != Situation::fullDevice &&
                                  worstCase->situation != Situation::fifo &&
                                  worstCase->situation != Situation::closedPipe;
    if (command == pelsora && toStandardOutput) {
      EXPECT_TRUE(run.out.ends_with("</html>\n") || run.out.ends_with("</html>"));
    }
    // Whole runs are whole: each holds the entire text block.
    if (command == udfdump && expected.name == std::string_view("runs")) {
      EXPECT_EQ(count(run.out, rawTextOf(run.out)), 6u);
    }
  }
  // Outputs that are not regular files are written to, never replaced.
  if (worstCase->situation == Situation::fifo) {
    EXPECT_TRUE(isFileType(folder.path() / "fifo", S_IFIFO));
  }
  EXPECT_TRUE(isFileType("/dev/full", S_IFCHR));
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
