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
  // there. `memory`, when not empty, is the whole archive held in memory,
  // whose entries are then read where they lie.
  struct ArchiveReader {
    std::uint64_t size = 0;
    std::function<bool(std::uint64_t offset, std::span<std::uint8_t> into)> read;
    std::span<const std::uint8_t> memory{};

    // Reads an archive held in memory, which must outlive the reader.
    static ArchiveReader of(std::span<const std::uint8_t> archive);
  };

  // The beginning of the entry of this name that extractEntries keeps (the
  // last one it reads whole, every entry before it charged to the budget as
  // extractEntries charges it; one rule serves both): its first `maxBytes`
  // bytes, and `whole` when that is all of it. Nothing when extractEntries
  // keeps no entry of the name: an entry cut short, longer than its room or
  // past the budget is never shown in part. The entry is read to its end to
  // know that, through a small window, so memory stays within maxBytes and
  // a few pieces; entries of other names are read (and forgotten) only when
  // the budget could leave out the one chosen. `watch`, when set, sees every
  // byte of each entry of the name read, in order, with its position in the
  // entry (0 starts another entry); the chosen one comes last.
  struct Beginning {
    std::vector<std::uint8_t> bytes;
    bool whole = false;
  };
  using Watch = std::function<void(std::uint64_t at, std::span<const std::uint8_t> bytes)>;
  static std::optional<Beginning> entryBeginning(const ArchiveReader& archive, std::string_view name,
                                                 std::size_t maxBytes, const Watch& watch = {});

  // Inflates one raw deflate stream into a buffer sized in advance from the
  // expected size (or 6 x the input when that is not positive), within the
  // bounds above; nothing when the data does not fit or is damaged.
  static std::optional<std::vector<std::uint8_t>> decompressDeflate(std::span<const std::uint8_t> data,
                                                                    std::int64_t uncompressedSize);
};

}  // namespace maravel
