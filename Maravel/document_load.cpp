#include "Maravel/document_load.hpp"

#include <cstdint>
#include <filesystem>
#include <future>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/process/document_heap.hpp"
#include "platform/quicklook/file_contents.hpp"
#include "reader/udf_parser.hpp"

namespace maravel {
namespace {

LoadedDocument readAndParse(const std::string& path) {
  LoadedDocument loaded;
  try {
    std::optional<std::vector<std::uint8_t>> data =
        quicklook::readFileContents(path, quicklook::kMaxDocumentBytes);
    if (data) {
      std::optional<UDFDocument> doc = UDFParser::parse(*data);
      loaded.fileBytes = data->size();
      if (doc) {
        loaded.document = std::make_shared<const UDFDocument>(std::move(*doc));
        data.reset();
        process::releaseFreeMemory();
        return loaded;
      }
    }
    std::error_code error;
    loaded.failure = OpenFailure::diagnose(std::filesystem::exists(path, error), data);
  } catch (...) {
    // Out of memory: the document cannot be shown, the window stays usable.
    loaded.failure = OpenFailure{OpenFailureKind::unreadableContent};
  }
  return loaded;
}

// What names a file and tells whether it changed: its path with links
// resolved, its size and its time of change.
struct FileState {
  std::filesystem::path path;
  std::uintmax_t size = 0;
  std::filesystem::file_time_type changed;
  friend bool operator==(const FileState&, const FileState&) = default;
};

std::optional<FileState> stateOf(const std::string& path) {
  std::error_code error;
  FileState state;
  state.path = std::filesystem::weakly_canonical(path, error);
  if (error) return std::nullopt;
  state.size = std::filesystem::file_size(state.path, error);
  if (error) return std::nullopt;
  state.changed = std::filesystem::last_write_time(state.path, error);
  if (error) return std::nullopt;
  return state;
}

// The file read ahead.
struct ReadAhead {
  std::mutex mutex;
  bool started = false;
  std::optional<FileState> file;
  std::future<LoadedDocument> result;
};

ReadAhead& readAheadState() {
  static ReadAhead state;
  return state;
}

}  // namespace

LoadedDocument DocumentLoad::load(const std::string& path) {
  std::future<LoadedDocument> ahead;
  bool same = false;
  {
    ReadAhead& state = readAheadState();
    const std::lock_guard lock(state.mutex);
    if (state.file && state.result.valid()) {
      // The state was taken before the read started: a file written since
      // differs from it now.
      const std::optional<FileState> now = stateOf(path);
      same = now && *now == *state.file;
      ahead = std::move(state.result);  // let go here when it is another file's
    }
    state.file.reset();
  }
  if (same) {
    try {
      return ahead.get();
    } catch (...) {
      // The thread's result could not be kept: read again below.
    }
  }
  return readAndParse(path);
}

void DocumentLoad::readAhead(const std::string& path) {
  ReadAhead& state = readAheadState();
  const std::lock_guard lock(state.mutex);
  if (state.started) return;
  state.started = true;
  try {
    state.file = stateOf(path);
    if (state.file) state.result = std::async(std::launch::async, readAndParse, path);
  } catch (...) {
    state.file.reset();  // no thread: the window reads the file itself
  }
}

void DocumentLoad::endReadAhead() {
  std::future<LoadedDocument> ahead;
  {
    ReadAhead& state = readAheadState();
    const std::lock_guard lock(state.mutex);
    state.file.reset();
    ahead = std::move(state.result);
  }
  if (ahead.valid()) ahead.wait();
}

}  // namespace maravel
