// What one run of a command may write over. An output is refused when it
// is one of the run's inputs (the same file, by device and inode, through
// any link or under another name: "udf2pdf belge.pdf" where belge.pdf is
// the document, "-d" naming the document's own folder, standard input
// redirected from the output), and when an earlier file of the same run
// was written there ("a/karar.udf b/karar.udf -d D" both make D/karar.pdf):
// a conversion never destroys its document, and never silently leaves one
// copy where two documents were asked for. Outputs that are not regular
// files (devices, FIFOs, terminals) are never refused.
//
// One per run, on one thread.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace maravel::commandline {

class OutputGuard {
 public:
  // `inputs` as given on the command line; "-" is standard input.
  explicit OutputGuard(const std::vector<std::string>& inputs);

  // Nothing when `output` ("-": standard output) may be written from
  // `input` (the same document given twice may write its file again), else
  // the line that refuses it: "cannot write OUT: it is the input FILE" ("it
  // is standard input") or "cannot write OUT: it was just written from FILE".
  std::optional<std::string> refusal(const std::string& input, const std::string& output) const;

  // `output` was written from `input`.
  void written(const std::string& input, const std::string& output);

 private:
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity&) const = default;
  };
  // The regular file `name` names now, through links; `standardStream` for "-".
  static std::optional<Identity> identity(const std::string& name, int standardStream);

  struct Named {
    Identity identity;
    std::string name;
    std::optional<Identity> source = std::nullopt;  // of a written output, the input's file
  };
  std::vector<Named> inputs_;
  std::vector<Named> written_;
};

}  // namespace maravel::commandline
