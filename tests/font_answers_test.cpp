// Font answers kept between processes: found again while nothing they were
// drawn from has changed, never once something has.
#include "platform/fonts/font_answers.hpp"

#include <gtest/gtest.h>
#include <hb.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "platform/fonts/font_file.hpp"
#include "tests/support/scratch_folder.hpp"

namespace maravel::fonts {
namespace {

namespace fs = std::filesystem;
using Fields = FontAnswers::Fields;

void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A FIFO in place of `path`: opening it to read waits for a writer.
void fifoAt(const fs::path& path) {
  fs::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
}

TEST(FontAnswersTest, HoldOnlyWhileTheSettingsAndEveryWatchedPathStayAsTheyWere) {
  const Fields question = {"match", "Times\tNew\\Roman\n", "plain"};
  const Fields answer = {"/yazı tipi/a b.ttf", "0", ""};
  struct Row {
    const char* change;
    std::function<void(const fs::path& folder)> make;
    const char* settings;
    bool found;
  };
  const Row rows[] = {
      {"nothing", [](const fs::path&) {}, "LANG=tr_TR.UTF-8", true},
      {"the settings", [](const fs::path&) {}, "LANG=C.UTF-8", false},
      {"a configuration file edited", [](const fs::path& f) { write(f / "fonts.conf", "<fontconfig/> "); },
       nullptr, false},
      {"a font installed", [](const fs::path& f) { write(f / "fonts" / "yeni.ttf", "x"); }, nullptr, false},
      {"a user configuration made", [](const fs::path& f) { fs::create_directory(f / "user"); }, nullptr,
       false},
      {"the file cut short", [](const fs::path& f) { fs::resize_file(f / "cache" / "answers", 40); }, nullptr,
       false},
      {"the file a FIFO", [](const fs::path& f) { fifoAt(f / "cache" / "answers"); }, nullptr, false},
      {"the file a link to a FIFO",
       [](const fs::path& f) {
         fifoAt(f / "fifo");
         fs::remove(f / "cache" / "answers");
         fs::create_symlink(f / "fifo", f / "cache" / "answers");
       },
       nullptr, false},
      {"the file garbled",
       [](const fs::path& f) { write(f / "cache" / "answers", "maravel font answers 1\na\t9\n"); }, nullptr,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.change);
    testing::ScratchFolder scratch;
    const fs::path& folder = scratch.path();
    write(folder / "fonts.conf", "<fontconfig/>");
    fs::create_directory(folder / "fonts");
    const fs::path file = folder / "cache" / "answers";
    const auto watched = [&folder] {
      return std::vector<std::string>{folder / "fonts.conf", folder / "fonts", folder / "user"};
    };
    const auto later = FontAnswers::Clock::now() + std::chrono::minutes(1);
    {
      FontAnswers first(file, "LANG=tr_TR.UTF-8");
      EXPECT_FALSE(first.find(question));
      first.keep(question, answer, watched, later);
    }
    {
      FontAnswers second(file, "LANG=tr_TR.UTF-8");  // appends to the file the first one made
      second.keep({"families"}, {}, watched, later);
    }
    row.make(folder);
    FontAnswers third(file, row.settings != nullptr ? row.settings : "LANG=tr_TR.UTF-8");
    EXPECT_EQ(third.find(question), row.found ? std::optional(answer) : std::nullopt);
    EXPECT_EQ(third.find({"families"}), row.found ? std::optional(Fields{}) : std::nullopt);
    // Where it did not hold, the next answer makes the file anew.
    third.keep({"generic", "Georgia"}, {"1"}, watched, later);
    EXPECT_EQ(FontAnswers(file, row.settings != nullptr ? row.settings : "LANG=tr_TR.UTF-8")
                  .find({"generic", "Georgia"}),
              std::optional(Fields{"1"}));
  }
}

TEST(FontAnswersTest, AreNotKeptWhenAWatchedPathChangedWhileAnswering) {
  testing::ScratchFolder scratch;
  const fs::path file = scratch.path() / "answers";
  write(scratch.path() / "fonts.conf", "<fontconfig/>");
  const auto watched = [&scratch] { return std::vector<std::string>{scratch.path() / "fonts.conf"}; };
  FontAnswers(file, "").keep({"families"}, {"DejaVu Sans"}, watched, FontAnswers::Clock::now());
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(FontAnswers(file, "").find({"families"}));
}

TEST(FontAnswersTest, StayBoundedHoweverManyQuestionsAProcessAsks) {
  testing::ScratchFolder scratch;
  const fs::path file = scratch.path() / "answers";
  const auto later = FontAnswers::Clock::now() + std::chrono::minutes(1);
  const Fields padding = {std::string(1000, 'x')};
  FontAnswers many(file, "");
  for (int i = 0; i < 1000; ++i)
    many.keep(
        {"character", std::to_string(i)}, padding, [] { return std::vector<std::string>{}; }, later);
  EXPECT_LT(fs::file_size(file), 260 * 1024u);
  EXPECT_EQ(FontAnswers(file, "").find({"character", "0"}), std::optional(padding));
}

TEST(FontFileTest, IsReadOnlyFromARegularFileWithoutWaiting) {
  testing::ScratchFolder scratch;
  const fs::path& folder = scratch.path();
  fifoAt(folder / "fifo");
  fs::create_symlink(folder / "fifo", folder / "link");
  write(folder / "empty", "");
  write(folder / "font", "not checked here: HarfBuzz finds no glyphs in it");
  for (const fs::path& refused : {folder / "fifo", folder / "link", folder / "empty", folder,
                                  fs::path("/dev/zero"), folder / "missing"})
    EXPECT_EQ(readFontFile(refused), nullptr) << refused;
  hb_blob_t* blob = readFontFile(folder / "font");
  EXPECT_EQ(hb_blob_get_length(blob), 48u);
  hb_blob_destroy(blob);
}

}  // namespace
}  // namespace maravel::fonts
