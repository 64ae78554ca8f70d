// The input of a command line door: a file, or standard input for "-".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace maravel::quicklook {

// Standard input read to its end for "-"; else the file as
// readFileContents reads it (regular files only). Nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> readCommandInput(const std::string& name);

}  // namespace maravel::quicklook
