#include "docx/command_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/quicklook/file_contents.hpp"

namespace maravel::command {

namespace {

namespace fs = std::filesystem;

// 0 when all bytes went out, else the error number.
int writeAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return 0;
}

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readInput(const std::string& name) {
  if (name != "-") return quicklook::readFileContents(name, kInputLimit);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[1 << 16];
  while (true) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return bytes;
    if (bytes.size() + static_cast<std::size_t>(n) > kInputLimit) return std::nullopt;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
}

std::optional<std::string> writeOutput(const std::string& name, std::span<const std::uint8_t> bytes) {
  auto failed = [&](int error) {
    return "cannot write " + (name == "-" ? std::string("standard output") : name) + ": " +
           std::strerror(error);
  };
  if (name == "-") {
    const int error = writeAll(STDOUT_FILENO, bytes);
    return error ? std::optional(failed(error)) : std::nullopt;
  }
  std::error_code ignored;
  fs::path target = name;
  if (fs::is_symlink(target, ignored)) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(target, error);
    if (!error) target = resolved;
  }
  struct stat info {};
  if (::stat(target.c_str(), &info) != 0) {
    if (errno != ENOENT) return failed(errno);
    return quicklook::writeFileAtomically(target, bytes, newFileMode());
  }
  if (S_ISDIR(info.st_mode)) return failed(EISDIR);
  if (S_ISREG(info.st_mode)) return quicklook::writeFileAtomically(target, bytes, info.st_mode & 07777);
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return failed(errno);
  int error = writeAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) error = errno;
  return error ? std::optional(failed(error)) : std::nullopt;
}

}  // namespace maravel::command
