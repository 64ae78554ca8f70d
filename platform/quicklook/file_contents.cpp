#include "platform/quicklook/file_contents.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace maravel::quicklook {

namespace {

bool isSmallRegularFile(int fd, std::size_t limit, std::size_t& size) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) return false;
  if (static_cast<std::uint64_t>(info.st_size) > limit) return false;
  size = static_cast<std::size_t>(info.st_size);
  return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readFileContents(const std::filesystem::path& path,
                                                          std::size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> result;
  std::size_t size = 0;
  if (isSmallRegularFile(fd, limit, size)) {
    std::vector<std::uint8_t> data(size);
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    data.resize(done);
    result = std::move(data);
  }
  ::close(fd);
  return result;
}

std::string lastPathComponent(const std::filesystem::path& location) {
  std::string text = location.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  const std::size_t slash = text.find_last_of('/');
  if (slash == std::string::npos || text.size() == 1) return text;
  return text.substr(slash + 1);
}

}  // namespace maravel::quicklook
