#include "platform/quicklook/command_input.hpp"

#include <cstdio>

#include "platform/quicklook/file_contents.hpp"

namespace maravel::quicklook {

std::optional<std::vector<std::uint8_t>> readCommandInput(const std::string& name) {
  if (name != "-") return readFileContents(name);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
    bytes.insert(bytes.end(), buffer, buffer + n);
  if (std::ferror(stdin)) return std::nullopt;
  return bytes;
}

}  // namespace maravel::quicklook
