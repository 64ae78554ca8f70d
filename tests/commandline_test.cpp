// The input and output rules of the command line programs, on files of a
// scratch folder, and every command's answer to wrong arguments, unreadable
// inputs and unwritable outputs. Devices, FIFOs, pipes and standard input
// are met through the commands themselves in the worst-case suite.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/commandline/command_input.hpp"
#include "platform/commandline/command_output.hpp"
#include "platform/commandline/printable_text.hpp"
#include "tests/support/editor_content.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel::commandline {
namespace {

namespace fs = std::filesystem;

mode_t permissions(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A regular file is replaced whole and keeps its permissions; a link to one
// stays a link; a new file gets the mode less the umask; a folder is an
// error that names its cause and leaves no temporary file behind.
TEST(CommandOutputTest, RegularFilesAreReplacedWholeAndEverythingElseKept) {
  const testing::ScratchFolder dir;
  const fs::path old = dir.writeText("eski.txt", "eski");
  fs::permissions(old, fs::perms(0640));
  fs::create_symlink("eski.txt", dir.path() / "bag");
  const mode_t mask = ::umask(022);
  EXPECT_EQ(writeOutput(old.string(), testing::bytes("yeni")), std::nullopt);
  EXPECT_EQ(writeOutput((dir.path() / "bag").string(), testing::bytes("bağ")), std::nullopt);
  EXPECT_EQ(writeOutput((dir.path() / "yeni.txt").string(), testing::bytes("x"), 0666), std::nullopt);
  EXPECT_EQ(writeOutput(dir.path().string(), testing::bytes("x")),
            "cannot write " + dir.path().string() + ": Is a directory");
  ::umask(mask);
  EXPECT_EQ(testing::readFile(old), "bağ");
  EXPECT_EQ(permissions(old), 0640u);
  EXPECT_TRUE(fs::is_symlink(dir.path() / "bag"));
  EXPECT_EQ(permissions(dir.path() / "yeni.txt"), 0644u);
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"bag", "eski.txt", "yeni.txt"}));
}

TEST(CommandInputTest, FilesAreReadWholeOrRefusedWithTheirReason) {
  const testing::ScratchFolder dir;
  const std::string file = dir.writeText("belge.udf", "0123456789").string();
  const std::string missing = (dir.path() / "yok.udf").string();
  EXPECT_EQ(readInput(file).bytes, testing::bytes("0123456789"));
  const std::pair<Input, std::string> refused[] = {
      {readInput(missing), "cannot read " + missing + ": No such file or directory"},
      {readInput(dir.path().string()), "cannot read " + dir.path().string() + ": Is a directory"},
      {readInput(file, 9), "cannot read " + file + ": larger than 9 bytes"}};
  for (const auto& [input, error] : refused) {
    EXPECT_FALSE(input.bytes.has_value());
    EXPECT_EQ(input.error, error);
  }
}

TEST(PrintableTextTest, WhatATerminalWouldActOnIsEscaped) {
  EXPECT_EQ(printable("Şişli\tA\x1B[2J\x7F\xC2\x9B\xE2\x80\xAE\xFF\xC0\xAF\\x.udf"),
            "Şişli\\x09A\\x1B[2J\\x7F\\u009B\\u202E\\xFF\\xC0\\xAF\\x.udf");
}

// One shell line per row, run in a scratch folder holding a good document
// ($G) and a broken one ($B), the commands first on the PATH: the status,
// and a piece of standard output (status 0) or standard error; "^" anchors
// the piece at the start, and on standard error asks for one line only. A
// refused command leaves no file behind and, but for pelsora's error page,
// writes nothing on standard output.
TEST(CommandStatusTest, EveryCommandAnswersWrongArgumentsAndFailuresWithItsStatus) {
  const testing::ScratchFolder dir;
  const std::string good =
      dir.write("iyi.udf", testing::makeUdf(testing::editorContent(
                               "Ad\tSoyad\n",
                               "<paragraph TabSet=\"100.0:0:0\"><content startOffset=\"0\" "
                               "length=\"9\" /></paragraph>")))
          .string();
  const std::string bad = dir.write("bozuk.udf", testing::bytes("PK\x03\x04 kırık")).string();
  const std::string karar = testing::shellQuoted(MARAVEL_SOURCE_DIR "/samples/karar");
  const std::string packed = testing::shellQuoted(MARAVEL_BINARY_DIR "/samples/karar.udf");
  // clang-format off
  const struct {
    std::string line;
    int status;
    std::string piece;
  } rows[] = {
      {"udfdump --help", 0, "usage: udfdump FILE"}, {"udfdump --version", 0, "^udfdump "}, {"udfdump", 2, ""},
      {"udfdump a b", 2, ""}, {"udfdump --bogus", 2, "usage"}, {"udfdump yok.udf", 2, ""},
      {"udfdump $B", 1, ""},
      {"udfverify --help", 0, "usage: udfverify [--json] [--online] [--trust DIR]... [--require-trusted] FILE..."}, {"udfverify --version", 0, "^udfverify "},
      {"udfverify", 2, ""}, {"udfverify --json", 2, ""}, {"udfverify --bogus $G", 2, ""},
      {"udfpack yok paket.udf", 2, ""}, {"udfpack tek", 2, ""},
      // A sample folder packs into the sample's document; a signature file goes in as it is.
      {"udfpack " + karar + " p.udf && udfdump p.udf >a && udfdump " + packed + " | cmp - a && rm p.udf a", 0, ""},
      {"printf x >x.sgn && udfpack " + karar + " p.udf x.sgn && udfdump p.udf && rm p.udf x.sgn", 0,
       "\"status\": \"unreadable\""},
      {"udftotext --help", 0, "^Usage: udftotext"}, {"udftotext $B", 1, ""}, {"udftotext", 2, ""},
      {"udftotext a.udf b.udf", 2, ""}, {"udftotext -o yok/x $G", 2, ""}, {"udftotext $G", 0, "^Ad\tSoyad\n"},
      {"udftotext -o m.txt $G && cat m.txt && rm m.txt", 0, "^Ad\tSoyad\n"},
      // After "--", "-o" names a file; a missing output folder is a usage error.
      {"pelsora --help", 0, "^Usage: pelsora"}, {"pelsora --version", 0, "^pelsora "},
      {"pelsora", 2, "^pelsora: "}, {"pelsora --unknown karar.udf", 2, "^pelsora: "},
      {"pelsora a.udf b.udf", 2, "^pelsora: "}, {"pelsora karar.udf -o", 2, "^pelsora: "},
      {"pelsora --", 2, "^pelsora: "}, {"pelsora -- -o", 1, "^pelsora: "},
      {"pelsora yok.udf", 1, "^pelsora: "},
      {"pelsora -o yok/sayfa.html $G", 2, "^pelsora: "}, {"pelsora $G", 0, "<title>iyi.udf</title>"},
      {"pelsora $G >a && pelsora -o b $G && cmp a b && rm a && cat b && rm b", 0, "^<!DOCTYPE html>"},
      // The error page on standard output, and one line naming the file.
      {"pelsora $B", 1, "^pelsora: cannot preview " + bad + ": not a readable UDF document\n"},
      {"udf2pdf --help", 0, "^Usage: udf2pdf"}, {"udf2pdf --version", 0, "^udf2pdf "}, {"udf2pdf", 2, ""},
      {"udf2pdf --bilinmeyen $G", 2, ""}, {"udf2pdf -o", 2, ""}, {"udf2pdf -o x.pdf $G $G", 2, ""},
      {"udf2pdf -o x.pdf -d y $G", 2, ""}, {"udf2pdf -o yok/x.pdf $G", 2, ""},
      {"udf2docx --help", 0, "^Usage: udf2docx"}, {"udf2docx --version", 0, "^udf2docx "},
      {"udf2docx", 2, "no file given"}, {"udf2docx --bilinmeyen $G", 2, "unknown option --bilinmeyen"},
      {"udf2docx -o", 2, "-o needs a file name"}, {"udf2docx -o x.docx $G $G", 2, "-o takes one file"},
      {"udf2docx -o x.docx -d y $G", 2, "-o and -d do not go together"},
      {"udf2docx - - < $G", 2, "standard input can be read once"},
      {"udf2docx -o yok/x.docx $G", 2, "cannot write"}, {"udf2docx -o . $G", 2, "Is a directory"},
      // Copies go where asked: beside the input, to a file or standard output, into a folder.
      {"udf2docx $G && head -c 2 ${G%.udf}.docx && rm ${G%.udf}.docx", 0, "^PK"}, {"udf2docx -o - $G", 0, "^PK\x03\x04"},
      {"udf2docx -o k.docx - < $G && head -c 2 k.docx && rm k.docx", 0, "^PK"},
      {"udf2docx - < $G", 0, "^PK\x03\x04"}, {"udf2docx $B $G -d d; echo $?; ls d; rm -r d", 0, "^1\niyi.docx\n"},
      {"{ sleep 1; udf2docx -o - $G 2>../err; echo $? >../st; } | true; cat ../err >&2; exit $(cat ../st)", 2,
       "cannot write standard output: Broken pipe"},
      // No output replaces an input, by any name; nor an output the run just wrote.
      {"cp $G b.pdf && udf2pdf -d . b.pdf; s=$?; cmp b.pdf $G && rm b.pdf && exit $s", 2,
       "^udf2pdf: cannot write ./b.pdf: it is the input b.pdf\n"},
      {"ln -s $G l.docx && udf2docx -o l.docx $G; s=$?; cmp l.docx $G && rm l.docx && exit $s", 2, "it is the input"},
      {"cp $G k.docx && udf2docx -o k.docx - <k.docx; s=$?; cmp k.docx $G && rm k.docx && exit $s", 2,
       "^udf2docx: cannot write k.docx: it is standard input\n"},
      {"ln $G h && udftotext -o h $G; a=$?; pelsora -o h $G; b=$?; cmp h $G && rm h && exit $((a + b))", 4, "it is"},
      {"mkdir a b && cp $G a/k.udf && cp $G b/k.udf && cp $G b/k.UDF && udf2pdf a/k.udf b/k.udf b/k.UDF -d D; s=$?;"
       " [ \"$(ls D)\" = k.pdf ] && rm -r a b D && exit $s", 2, "cannot write D/k.pdf: it was just written from a/k.udf"},
      // Terminal controls in a file name reach every message escaped.
      {"for c in udf2pdf udf2docx udftotext pelsora udfdump udfverify; do $c \"$(printf 'k\\033[2J.udf')\" >/dev/null;"
       " done 2>&1 | grep -c '^[a-z0-9]*: cannot read k\\\\x1B\\[2J\\.udf: No such file' >&2; exit 1", 1, "^6\n"},
      {"tivenna --help", 0, "tivenna -s SIZE INPUT OUTPUT"}, {"tivenna --version", 0, "^tivenna "},
      {"tivenna", 2, "^tivenna: "}, {"tivenna $G x.png", 2, "^tivenna: "},
      {"tivenna -s 128 $G", 2, "^tivenna: "}, {"tivenna -s 128 $G x.png fazla", 2, "^tivenna: "},
      {"tivenna -s", 2, "^tivenna: "}, {"tivenna -s abc $G x.png", 2, "^tivenna: "},
      {"tivenna -s 0 $G x.png", 2, "^tivenna: "}, {"tivenna -s -5 $G x.png", 2, "^tivenna: "},
      {"tivenna -s 4097 $G x.png", 2, "^tivenna: "}, {"tivenna -s '128 ' $G x.png", 2, "^tivenna: "},
      {"tivenna -x -s 128 $G x.png", 2, "^tivenna: "}, {"tivenna -s 128 $G ''", 2, "^tivenna: "},
      {"tivenna -s 128 $G /nonexistent-maravel/thumb.png", 1, "^tivenna: "},
      // An old thumbnail is replaced and no temporary file stays behind.
      {"echo x > e.png && tivenna -s 128 $G e.png && ls && head -c 4 e.png && rm e.png", 0, "^e.png\n\x89PNG"},
      // A rename over a folder fails after the temporary file was written.
      {"mkdir -p klasör && tivenna -s 128 $G klasör", 1, "^tivenna: "},
      {"pluginkit --version", 0, "^pluginkit (Maravel) 0.1.0\n"}, {"pluginkit", 2, ""},
      {"pluginkit -a", 2, ""}, {"pluginkit -e use", 2, ""},
      {"pluginkit -e belki -i com.orvelin.Maravel.Tivenna", 2, ""}, {"pluginkit -x", 2, ""},
      {"qlmanage", 2, ""}, {"qlmanage -r fazla", 2, ""},
      {"maravel --help", 0, "^Usage: maravel [FILE...]\n"}, {"maravel --version", 0, "^maravel 0.1.0\n"},
      {"maravel --pencere", 2, "^maravel: unknown option --pencere (try --help)\n"},
  };
  // clang-format on
  const fs::path work = dir.path() / "is";
  fs::create_directory(work);
  for (const auto& row : rows) {
    const testing::CommandResult run = testing::runCommand(
        "sh", {"-c", "cd " + testing::shellQuoted(work.string()) + " && HOME=$PWD XDG_DATA_HOME=$PWD/veri " +
                         "XDG_CACHE_HOME=$PWD/../cache PATH=" + testing::shellQuoted(COMMAND_DIRS) +
                         "$PATH G=" + testing::shellQuoted(good) + " B=" + testing::shellQuoted(bad) +
                         " && export HOME XDG_DATA_HOME XDG_CACHE_HOME PATH && " + row.line});
    EXPECT_EQ(run.status, row.status) << row.line << "\n" << run.err;
    const std::string& stream = row.status == 0 ? run.out : run.err;
    const bool anchored = row.piece.starts_with("^");
    const std::size_t at = stream.find(anchored ? row.piece.substr(1) : row.piece);
    EXPECT_TRUE(anchored ? at == 0 : at != std::string::npos) << row.line << ": " << stream;
    if (row.status == 0) continue;
    if (!row.line.starts_with("pelsora")) {
      EXPECT_EQ(run.out, "") << row.line;
    }
    EXPECT_NE(run.err, "") << row.line;
    if (anchored) {
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << row.line << ": " << run.err;
    }
  }
  std::set<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(work))
    left.insert(entry.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"klasör"}));
}

}  // namespace
}  // namespace maravel::commandline
