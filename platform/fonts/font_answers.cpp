// The answers file: a head of settings and watched states, then one line a
// question. Fields are separated by tabs, with backslash, tab and newline
// escaped inside them.
#include "platform/fonts/font_answers.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <utility>

namespace maravel::fonts {
namespace {

constexpr std::string_view kMagic = "maravel font answers 1\n";
// Beyond this the file is made anew with the answers of the process at hand
// (at most once a process), so that documents asking endless questions
// cannot grow it, or the time to read it at every start, without end. A
// file of the usual answers is a few kilobytes.
constexpr off_t kMaxFileSize = 256 * 1024;
// File systems keep times to a few milliseconds; a change this close to the
// answering may not show in the state read after it.
constexpr auto kSettleMargin = std::chrono::seconds(2);

std::string escaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (char c : field) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> unescaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
      continue;
    }
    if (++i == field.size()) return std::nullopt;
    switch (field[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

std::string joined(const FontAnswers::Fields& fields) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += '\t';
    out += escaped(fields[i]);
  }
  return out;
}

std::vector<std::string_view> split(std::string_view line) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return parts;
    start = tab + 1;
  }
}

// An answer line: the question's field count, its fields (`key`, as joined()
// gives them), the answer's.
std::string answerLine(std::string_view key, const FontAnswers::Fields& answer) {
  std::string line = "a\t" + std::to_string(split(key).size()) + '\t' + std::string(key);
  if (!answer.empty()) line += '\t' + joined(answer);
  return line + '\n';
}

FontAnswers::Clock::time_point timeOf(const timespec& t) {
  return FontAnswers::Clock::time_point(std::chrono::duration_cast<FontAnswers::Clock::duration>(
      std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec)));
}

// A path's state: "-" when it is missing, else its kind, size, times and
// identity. With `changedAfter`, also whether it changed at or after `since`.
std::string stateOf(const std::string& path, bool* changedAfter = nullptr,
                    FontAnswers::Clock::time_point since = {}) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return "-";
  if (changedAfter != nullptr)
    *changedAfter = *changedAfter || timeOf(info.st_mtim) >= since || timeOf(info.st_ctim) >= since;
  const char kind = S_ISDIR(info.st_mode) ? 'd' : S_ISREG(info.st_mode) ? 'f' : 'o';
  char state[160];
  std::snprintf(state, sizeof state, "%c %lld %lld.%09ld %lld.%09ld %llu %llu", kind,
                static_cast<long long>(info.st_size), static_cast<long long>(info.st_mtim.tv_sec),
                info.st_mtim.tv_nsec, static_cast<long long>(info.st_ctim.tv_sec), info.st_ctim.tv_nsec,
                static_cast<unsigned long long>(info.st_ino), static_cast<unsigned long long>(info.st_dev));
  return state;
}

std::optional<std::string> readSmallFile(const std::filesystem::path& path) {
  // Without waiting: a FIFO in its place would wait for a writer for ever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxFileSize) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
  }
  ::close(fd);
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

}  // namespace

FontAnswers::FontAnswers(std::filesystem::path file, std::string settings)
    : file_(std::move(file)), settings_(std::move(settings)) {}

void FontAnswers::load() {
  loaded_ = true;
  if (file_.empty()) return;
  const std::optional<std::string> bytes = readSmallFile(file_);
  if (!bytes || !bytes->starts_with(kMagic)) return;
  std::string_view rest(*bytes);
  rest.remove_prefix(kMagic.size());
  bool inHead = true;
  bool sameSettings = false;
  std::unordered_map<std::string, Fields> answers;
  // Only whole lines count: an answer being appended by another process
  // may not be there yet.
  for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(end + 1)) {
    const std::string_view line = rest.substr(0, end);
    const std::vector<std::string_view> parts = split(line);
    if (inHead) {
      if (parts.size() == 2 && parts[0] == "settings") {
        sameSettings = unescaped(parts[1]) == settings_;
        if (!sameSettings) return;
      } else if (parts.size() == 3 && parts[0] == "watch") {
        const std::optional<std::string> path = unescaped(parts[1]);
        if (!path || stateOf(*path) != parts[2]) return;
      } else if (line == "answers" && sameSettings) {
        head_ = std::string(*bytes, 0, bytes->size() - rest.size() + end + 1);
        inHead = false;
      } else {
        return;
      }
      continue;
    }
    std::size_t count = 0;
    if (parts.size() < 2 || parts[0] != "a" || parts[1].empty() || parts[1].size() > 3 ||
        !std::all_of(parts[1].begin(), parts[1].end(), [](char c) { return c >= '0' && c <= '9'; }))
      return;
    count = std::stoul(std::string(parts[1]));
    if (count + 2 > parts.size()) return;
    Fields question;
    Fields answer;
    for (std::size_t i = 2; i < parts.size(); ++i) {
      std::optional<std::string> field = unescaped(parts[i]);
      if (!field) return;
      (i < count + 2 ? question : answer).push_back(std::move(*field));
    }
    answers.try_emplace(joined(question), std::move(answer));
  }
  if (inHead) return;
  answers_ = std::move(answers);
  valid_ = true;
}

std::optional<FontAnswers::Fields> FontAnswers::find(const Fields& question) {
  const std::lock_guard lock(mutex_);
  if (!loaded_) load();
  const auto found = answers_.find(joined(question));
  if (found == answers_.end()) return std::nullopt;
  return found->second;
}

void FontAnswers::distrust() {
  const std::lock_guard lock(mutex_);
  loaded_ = true;
  valid_ = false;
  head_.clear();
  answers_.clear();
}

bool FontAnswers::append(const std::string& line) {
  const int fd = ::open(file_.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat info {};
  const bool written = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                       info.st_size + static_cast<off_t>(line.size()) <= kMaxFileSize && writeAll(fd, line);
  ::close(fd);
  return written;
}

void FontAnswers::keep(const Fields& question, const Fields& answer,
                       const std::function<std::vector<std::string>()>& watched, Clock::time_point settled) {
  const std::lock_guard lock(mutex_);
  if (!loaded_) load();
  const std::string key = joined(question);
  if (!answers_.try_emplace(key, answer).second || file_.empty() || refused_) return;
  if (valid_ && append(answerLine(key, answer))) return;

  // A new file: the head, then every answer this process holds. Once a
  // process: a file that fills up again is left as it is.
  refused_ = remade_;
  remade_ = true;
  if (refused_) return;
  if (head_.empty()) {
    std::string head = std::string(kMagic) + "settings\t" + escaped(settings_) + '\n';
    bool changed = false;
    for (const std::string& path : watched())
      head += "watch\t" + escaped(path) + '\t' + stateOf(path, &changed, settled - kSettleMargin) + '\n';
    refused_ = changed;
    if (refused_) return;
    head_ = head + "answers\n";
  }
  std::string bytes = head_;
  for (const auto& [kept, fields] : answers_) bytes += answerLine(kept, fields);
  refused_ = bytes.size() > static_cast<std::size_t>(kMaxFileSize);
  if (refused_) return;
  std::error_code ignored;
  std::filesystem::create_directories(file_.parent_path(), ignored);
  const std::string temporary = file_.string() + '.' + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return;
  struct stat info {};
  const bool written = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && writeAll(fd, bytes);
  ::close(fd);
  valid_ = written && ::rename(temporary.c_str(), file_.c_str()) == 0;
  if (!valid_) ::unlink(temporary.c_str());
}

}  // namespace maravel::fonts
