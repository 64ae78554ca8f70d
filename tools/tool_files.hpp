// Whole-file reading and writing for the command-line tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace maravel::tools {

// The file's bytes; nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readFile(const std::string& path);

// Replaces the file's contents; false when it cannot be written.
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& data);

}  // namespace maravel::tools
