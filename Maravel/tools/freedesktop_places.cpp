#include "Maravel/tools/freedesktop_places.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/process/process.hpp"

namespace maravel {
namespace fs = std::filesystem;

namespace {

fs::path place(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') return value;
  return fs::path(process::homeDirectory()) / fallback;
}

std::string failure(const std::string& what, const fs::path& path, int error) {
  return what + " " + path.string() + ": " + std::strerror(error);
}

bool writeAll(int fd, const std::string& contents) {
  std::size_t done = 0;
  while (done < contents.size()) {
    const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

fs::path FreedesktopPlaces::dataHome() { return place("XDG_DATA_HOME", ".local/share"); }

fs::path FreedesktopPlaces::cacheHome() { return place("XDG_CACHE_HOME", ".cache"); }

std::optional<std::string> FreedesktopPlaces::readSmallFile(const fs::path& path, std::size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> contents;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) <= limit) {
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    contents = std::move(bytes);
  }
  ::close(fd);
  return contents;
}

std::optional<std::string> FreedesktopPlaces::writeFile(const fs::path& path, const std::string& contents) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error) return "cannot create " + path.parent_path().string() + ": " + error.message();
  std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return failure("cannot write beside", path, errno);
  const bool written = writeAll(fd, contents) && ::fchmod(fd, 0644) == 0;
  const int writeError = errno;
  if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const int reason = written ? errno : writeError;
    ::unlink(temporary.c_str());
    return failure("cannot write", path, reason);
  }
  return std::nullopt;
}

}  // namespace maravel
