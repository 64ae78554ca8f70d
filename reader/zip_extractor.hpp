// Reads the members of a zip archive held in memory, and the beginning of
// one member of an archive read by position (a file need not be read whole).
//
// One forward pass over the central directory; stored (method 0) and deflated
// (method 8) entries only. Whatever cannot be read is simply missing from the
// result; nothing is ever read outside the given buffer.
//
// Memory is bounded whatever the archive declares:
// - an inflation buffer holds at most kMaxInflationRatio x the compressed
//   size + kMinInflationBuffer bytes (deflate cannot expand data further, so
//   no valid entry is lost), and never less than kMinInflationBuffer;
// - all entries of one archive together (stored and inflated) stay within
//   kMaxExtractedBytes, and no inflation buffer is larger than what is left
//   of that budget; an entry that does not fit is left out, and later smaller
//   entries may still be read.
// A central directory header whose name, extra field or comment runs past the
// end of the buffer ends the walk; the entries read before it are kept.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace maravel {

using ZipEntries = std::unordered_map<std::string, std::vector<std::uint8_t>>;

class FastZipExtractor {
 public:
  static constexpr std::uint64_t kMaxInflationRatio = 1032;
  static constexpr std::uint64_t kMinInflationBuffer = 2048;
  static constexpr std::uint64_t kMaxExtractedBytes = std::uint64_t{256} << 20;  // 256 MiB

  // Entry name (UTF-8, as written; the empty name when not UTF-8) to its
  // uncompressed bytes. A later entry of the same name replaces an earlier
  // one. Empty for input that is not a zip archive.
  static ZipEntries extractEntries(std::span<const std::uint8_t> archive);

  // The same with another budget for the bytes of all entries together.
  static ZipEntries extractEntries(std::span<const std::uint8_t> archive, std::uint64_t maxExtractedBytes);

  // Only the entries of these names, as extractEntries reads them; the
  // others are neither inflated nor charged to the budget.
  static ZipEntries extractEntries(std::span<const std::uint8_t> archive,
                                   std::initializer_list<std::string_view> names);

  // An archive of `size` bytes read by position: read(offset, into) fills
  // `into` with the bytes at `offset` (the range always lies within `size`)
  // and says whether it could; a failed read is taken as the archive ending
  // there.
  struct ArchiveReader {
    std::uint64_t size = 0;
    std::function<bool(std::uint64_t offset, std::span<std::uint8_t> into)> read;

    // Reads an archive held in memory, which must outlive the reader.
    static ArchiveReader of(std::span<const std::uint8_t> archive);
  };

  // The beginning of the last readable entry of this name: at most
  // `maxBytes` bytes (and never more than the inflation ratio allows), and
  // `whole` when that is all of it. Deflated data is inflated only that
  // far, whatever size it declares, so damage further on is never seen;
  // damage inside the beginning ends it there. Nothing when no entry of
  // the name yields a byte or a whole entry. Only the end record, the
  // central directory, the entry's local header and as much of its data as
  // the beginning needs are read, never the whole archive.
  struct Beginning {
    std::vector<std::uint8_t> bytes;
    bool whole = false;
  };
  static std::optional<Beginning> entryBeginning(const ArchiveReader& archive, std::string_view name,
                                                 std::size_t maxBytes);

  // Inflates one raw deflate stream into a buffer sized in advance from the
  // expected size (or 6 x the input when that is not positive), within the
  // bounds above; nothing when the data does not fit or is damaged.
  static std::optional<std::vector<std::uint8_t>> decompressDeflate(std::span<const std::uint8_t> data,
                                                                    std::int64_t uncompressedSize);
};

}  // namespace maravel
