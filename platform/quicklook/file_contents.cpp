#include "platform/quicklook/file_contents.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

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

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string failure(const char* what, const std::filesystem::path& path, int error) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const std::uint8_t> bytes, mode_t mode) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::string temporary = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return failure("cannot write beside", path, errno);
  const bool written = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0;
  const int writeError = errno;
  if (::close(fd) != 0 || !written) {
    const int reason = written ? errno : writeError;
    ::unlink(temporary.c_str());
    return failure("cannot write", path, reason);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int reason = errno;
    ::unlink(temporary.c_str());
    return failure("cannot write", path, reason);
  }
  return std::nullopt;
}

std::string largerThan(std::size_t limit) {
  const auto [amount, unit] = limit >= (std::size_t{1} << 20) && limit % (std::size_t{1} << 20) == 0
                                  ? std::pair(limit >> 20, " MiB")
                              : limit >= 1024 && limit % 1024 == 0 ? std::pair(limit >> 10, " KiB")
                                                                   : std::pair(limit, " bytes");
  return "larger than " + std::to_string(amount) + unit;
}

FileContents readFile(const std::filesystem::path& path, std::size_t limit) {
  FileContents result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    result.failure = std::strerror(errno);
    return result;
  }
  if (const std::optional<std::size_t> size = readableSize(fd, limit, result.failure)) {
    std::vector<std::uint8_t> data(*size);
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    data.resize(done);
    result.bytes = std::move(data);
  }
  ::close(fd);
  return result;
}

std::optional<std::vector<std::uint8_t>> readFileContents(const std::filesystem::path& path,
                                                          std::size_t limit) {
  return readFile(path, limit).bytes;
}

std::string lastPathComponent(const std::filesystem::path& location) {
  std::string text = location.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  const std::size_t slash = text.find_last_of('/');
  if (slash == std::string::npos || text.size() == 1) return text;
  return text.substr(slash + 1);
}

}  // namespace maravel::quicklook
