// Answers of fontconfig kept from one process to the next. Loading
// fontconfig's configuration parses every file in its configuration folders,
// which costs a preview or a PDF of a short document more than the document;
// the faces a document needs are nearly always the ones the last document
// needed. Internal to platform/fonts.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace maravel::fonts {

// A file of questions and answers, trusted only as long as nothing the
// answers were drawn from has changed: the file records the settings it was
// made under and the state (kind, size, modification time, inode) of every
// configuration file and font folder, as fontconfig's own caches do for
// their folders. Installing or removing a font, editing a configuration file
// or changing a setting gives a new file. A file that cannot be read, or
// reads wrongly, counts as empty; one that cannot be written is not written.
// Safe to use from several threads and several processes at once (a
// process's answers may be lost to another's, never mixed with them).
class FontAnswers {
 public:
  using Fields = std::vector<std::string>;
  using Clock = std::chrono::system_clock;

  // `file`: where the answers live (its folder is made when missing); an
  // empty path keeps nothing. `settings`: what else the answers depend on
  // (environment, program); a file made under other settings is not used.
  FontAnswers(std::filesystem::path file, std::string settings);

  // The answer kept for `question`, when the file holds one and still holds.
  std::optional<Fields> find(const Fields& question);

  // Drops every answer held, and makes the file anew with the next answer
  // kept: called when an answer read from the file proves false (it names a
  // file that is not a font), so that no answer of that file is used again.
  void distrust();

  // Keeps an answer. When the file has to be made anew, `watched` gives the
  // paths whose state the answers depend on (missing ones included: their
  // appearing counts as a change); a path changed after `settled` (when the
  // answering began) might have changed under the answer, and the file is
  // then not made.
  void keep(const Fields& question, const Fields& answer,
            const std::function<std::vector<std::string>()>& watched, Clock::time_point settled);

 private:
  void load();
  bool append(const std::string& line);

  std::mutex mutex_;
  std::filesystem::path file_;
  std::string settings_;
  bool loaded_ = false;
  bool valid_ = false;    // the file on disk holds for this process
  bool refused_ = false;  // nothing more is written by this process
  bool remade_ = false;   // this process has made the file anew once
  std::string head_;      // the file's settings and watched states
  std::unordered_map<std::string, Fields> answers_;
};

}  // namespace maravel::fonts
