// Writing zip archives through libzip: a list of named members, in order,
// as one archive handed to a sink piece by piece.
//
// Pure and safe on any thread. Failure is a false return, never an
// exception or a log line.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace maravel::zip {

struct Member {
  std::string name;                     // the path inside the archive, "/" separated
  std::span<const std::uint8_t> bytes;  // borrowed: must outlive the pack call
  bool compress = true;                 // deflate; false stores the bytes as they are
};

// Takes the archive's bytes in order; false stops the writing.
using Sink = std::function<bool(std::span<const std::uint8_t>)>;

// Writes an archive of the members into `sink`, every member dated
// 1980-01-01 so that equal members give equal bytes. False when libzip
// fails or the sink refuses bytes; the sink may then have taken a part.
bool pack(const std::vector<Member>& members, const Sink& sink);

}  // namespace maravel::zip
