// The floor: the least work any reader must do with a .udf file. It finds
// "content.xml" in the central directory, inflates it into a buffer of the
// declared size, and makes one expat pass over it with empty handlers.
// Every figure of the benchmarks is also given as a multiple of the floor on
// the same document, measured side by side, so that it holds on a busy
// machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace maravel::bench {

// The inflated content.xml; empty when the archive has none or it does not
// inflate.
std::vector<std::uint8_t> floorInflate(std::span<const std::uint8_t> archive);

// floorInflate and one expat pass with handlers that do nothing. The number
// of elements seen, so that the pass cannot be left out.
std::size_t floorPass(std::span<const std::uint8_t> archive);

}  // namespace maravel::bench
