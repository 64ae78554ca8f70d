#include "platform/commandline/command_input.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace maravel::commandline {

namespace {

// Standard input to its end, or why not. A regular file behind it (a
// redirection) is refused by its size alone.
quicklook::FileContents readStandardInput(std::size_t limit) {
  quicklook::FileContents result;
  struct stat info {};
  if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
      static_cast<std::uint64_t>(info.st_size) > limit) {
    result.failure = quicklook::largerThan(limit);
    return result;
  }
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> buffer(std::size_t{1} << 16);
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.failure = std::strerror(errno);
      return result;
    }
    if (n == 0) break;
    if (static_cast<std::size_t>(n) > limit - bytes.size()) {
      result.failure = quicklook::largerThan(limit);
      return result;
    }
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + n);
  }
  result.bytes = std::move(bytes);
  return result;
}

}  // namespace

Input readInput(const std::string& name, std::size_t limit) {
  const bool standard = name == "-";
  quicklook::FileContents contents = standard ? readStandardInput(limit) : quicklook::readFile(name, limit);
  if (contents.bytes) return {std::move(contents.bytes), {}};
  return {std::nullopt,
          "cannot read " + (standard ? std::string("standard input") : name) + ": " + contents.failure};
}

}  // namespace maravel::commandline
