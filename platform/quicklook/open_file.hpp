// A regular file open for reading by position, so that a reader takes only
// the parts it needs instead of the whole file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace maravel::quicklook {

class OpenFile {
 public:
  // The file when it is a regular file of at most `limit` bytes (its size is
  // taken from the file system on opening); nothing, and in `failure` the
  // system's reason, "not a regular file" or "larger than N MiB", when it
  // cannot be opened, is a folder, a device or a FIFO (opened without
  // blocking, so none of them can stall the caller), or is larger.
  static std::optional<OpenFile> open(const std::filesystem::path& path, std::size_t limit,
                                      std::string& failure);

  OpenFile(OpenFile&& other) noexcept;
  OpenFile& operator=(OpenFile&&) = delete;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile();

  // The size the file had when it was opened.
  std::size_t size() const { return size_; }

  // Reads the bytes at `offset` into `into` and returns how many there were:
  // fewer only where the file ends (it shrank) or a read fails. Safe on any
  // thread.
  std::size_t read(std::uint64_t offset, std::span<std::uint8_t> into) const;

 private:
  OpenFile(int fd, std::size_t size) : fd_(fd), size_(size) {}
  int fd_;
  std::size_t size_;
};

}  // namespace maravel::quicklook
