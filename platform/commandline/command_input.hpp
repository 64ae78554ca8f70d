// The input of a command line program: a file, or standard input for "-",
// read whole and never beyond a size bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/quicklook/file_contents.hpp"

namespace maravel::commandline {

// What reading an input gave.
struct Input {
  std::optional<std::vector<std::uint8_t>> bytes;
  // Without bytes, one line for standard error: "cannot read NAME: REASON"
  // (standard input is named "standard input").
  std::string error;
};

// Standard input for "-", else the file as quicklook::readFile reads it
// (regular files only). Either is refused beyond `limit` bytes: a file whose
// size says so before anything is read, standard input once more than
// `limit` bytes have come (at most `limit` bytes are held).
Input readInput(const std::string& name, std::size_t limit = quicklook::kMaxDocumentBytes);

}  // namespace maravel::commandline
