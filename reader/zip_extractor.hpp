// Reads the members of a zip archive held in memory.
//
// One forward pass over the central directory; stored (method 0) and deflated
// (method 8) entries only. Whatever cannot be read is simply missing from the
// result; nothing is ever read outside the given buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace maravel {

using ZipEntries = std::unordered_map<std::string, std::vector<std::uint8_t>>;

class FastZipExtractor {
 public:
  // Entry name (UTF-8, as written; the empty name when not UTF-8) to its
  // uncompressed bytes. A later entry of the same name replaces an earlier
  // one. Empty for input that is not a zip archive.
  static ZipEntries extractEntries(std::span<const std::uint8_t> archive);

  // Inflates one raw deflate stream into a buffer sized in advance from the
  // expected size; nothing when the data does not fit or is damaged.
  static std::optional<std::vector<std::uint8_t>> decompressDeflate(std::span<const std::uint8_t> data,
                                                                    std::int64_t uncompressedSize);
};

}  // namespace maravel
