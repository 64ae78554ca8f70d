#include "platform/quicklook/file_contents.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/quicklook/open_file.hpp"

namespace maravel::quicklook {

namespace {

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
  // Appended rather than "." + name: g++ 12 at -O3 warns falsely on that form.
  std::string hidden = ".";
  hidden += path.filename().string();
  hidden += ".XXXXXX";
  std::string temporary = (folder / hidden).string();
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
  if (const std::optional<OpenFile> file = OpenFile::open(path, limit, result.failure)) {
    std::vector<std::uint8_t> data(file->size());
    data.resize(file->read(0, data));
    result.bytes = std::move(data);
  }
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
