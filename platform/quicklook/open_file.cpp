#include "platform/quicklook/open_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/quicklook/file_contents.hpp"

namespace maravel::quicklook {

namespace {

// The size of the regular file open as `fd`, or why it is not read.
std::optional<std::size_t> readableSize(int fd, std::size_t limit, std::string& failure) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    failure = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode) || info.st_size < 0) {
    failure = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
  } else if (static_cast<std::uint64_t>(info.st_size) > limit) {
    failure = largerThan(limit);
  } else {
    return static_cast<std::size_t>(info.st_size);
  }
  return std::nullopt;
}

}  // namespace

std::optional<OpenFile> OpenFile::open(const std::filesystem::path& path, std::size_t limit,
                                       std::string& failure) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    failure = std::strerror(errno);
    return std::nullopt;
  }
  if (const std::optional<std::size_t> size = readableSize(fd, limit, failure)) return OpenFile(fd, *size);
  ::close(fd);
  return std::nullopt;
}

OpenFile::OpenFile(OpenFile&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }

OpenFile::~OpenFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t OpenFile::read(std::uint64_t offset, std::span<std::uint8_t> into) const {
  std::size_t done = 0;
  while (done < into.size()) {
    const ssize_t n = ::pread(fd_, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace maravel::quicklook
