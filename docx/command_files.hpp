// The files of a command line conversion: its input, and where it writes.
//
// Kept apart so that every command can share one set: "-" is standard input
// (read with a size cap) and standard output; a regular output file is
// replaced atomically and never left half written; a device, pipe or
// socket is written directly and never renamed over, truncated or removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace maravel::command {

// Standard input caps at this many bytes, the most all entries of one
// archive may hold.
inline constexpr std::size_t kInputLimit = std::size_t{256} << 20;

// Standard input to its end for "-", else the regular file; nothing when it
// cannot be read or holds more than kInputLimit bytes.
std::optional<std::vector<std::uint8_t>> readInput(const std::string& name);

// Writes `bytes` to standard output for "-", else to the file `name`: a new
// or regular file through a temporary file beside it and a rename (an
// existing file keeps its permissions, a symbolic link is followed), a
// device, pipe or socket directly, a folder not at all. Nothing on success,
// else "cannot write NAME: REASON" (REASON "Broken pipe" when the reader of
// standard output went away; the caller ignores SIGPIPE to get it).
std::optional<std::string> writeOutput(const std::string& name, std::span<const std::uint8_t> bytes);

}  // namespace maravel::command
