#include "reader/zip_extractor.hpp"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text/text.hpp"

namespace maravel {

namespace {

using Archive = std::span<const std::uint8_t>;

constexpr std::uint64_t kEndRecordSize = 22;
constexpr std::uint64_t kMaxCommentSize = 65535;
constexpr std::uint64_t kCentralHeaderSize = 46;
constexpr std::uint64_t kLocalHeaderSize = 30;
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;

// Callers check that the bytes lie inside the archive.
std::uint16_t read16(Archive archive, std::uint64_t at) {
  return static_cast<std::uint16_t>(archive[at] | (archive[at + 1] << 8));
}

std::uint32_t read32(Archive archive, std::uint64_t at) {
  return static_cast<std::uint32_t>(read16(archive, at)) |
         (static_cast<std::uint32_t>(read16(archive, at + 2)) << 16);
}

// The end record nearest the end of the archive, looking back no further
// than the longest possible archive comment.
std::optional<std::uint64_t> findEndRecord(Archive archive) {
  const std::uint64_t length = archive.size();
  const std::uint64_t lowest =
      length > kEndRecordSize + kMaxCommentSize ? length - kEndRecordSize - kMaxCommentSize : 0;
  for (std::uint64_t pos = length - kEndRecordSize + 1; pos-- > lowest;) {
    if (read32(archive, pos) == kEndRecordSignature) return pos;
  }
  return std::nullopt;
}

struct CentralHeader {
  std::uint16_t method;
  std::uint32_t compressedSize;
  std::uint32_t uncompressedSize;
  std::uint64_t nameLength;
  std::uint64_t totalLength;  // fixed part, name, extra field and comment
  std::uint32_t localHeaderOffset;
};

CentralHeader readCentralHeader(Archive archive, std::uint64_t at) {
  const std::uint64_t nameLength = read16(archive, at + 28);
  return {read16(archive, at + 10),
          read32(archive, at + 20),
          read32(archive, at + 24),
          nameLength,
          kCentralHeaderSize + nameLength + read16(archive, at + 30) + read16(archive, at + 32),
          read32(archive, at + 42)};
}

std::string entryName(Archive archive, std::uint64_t at, std::uint64_t length) {
  return text::decodeUTF8(archive.subspan(at, length)).value_or(std::string());
}

// Where an entry's data starts: after the local header at `local`, its name
// and its extra field. `localHeader` holds that header's fixed part.
std::uint64_t dataStart(std::uint64_t local, Archive localHeader) {
  return local + kLocalHeaderSize + read16(localHeader, 26) + read16(localHeader, 28);
}

// The entry's data as the local header places it, when it lies inside the
// archive. Sizes come from the central directory only.
std::optional<Archive> entryData(Archive archive, const CentralHeader& header) {
  const std::uint64_t local = header.localHeaderOffset;
  if (local + kLocalHeaderSize > archive.size()) return std::nullopt;
  const std::uint64_t start = dataStart(local, archive.subspan(local, kLocalHeaderSize));
  const std::uint64_t end = start + header.compressedSize;
  if (end > archive.size()) return std::nullopt;
  return archive.subspan(start, header.compressedSize);
}

std::uint64_t inflationBufferSize(std::uint64_t compressedSize, std::int64_t uncompressedSize) {
  const std::uint64_t wanted =
      uncompressedSize > 0 ? static_cast<std::uint64_t>(uncompressedSize) : 6 * compressedSize;
  const std::uint64_t bound =
      FastZipExtractor::kMaxInflationRatio * compressedSize + FastZipExtractor::kMinInflationBuffer;
  return std::max(std::min(wanted, bound), FastZipExtractor::kMinInflationBuffer);
}

// The output is given its room a piece at a time, each piece just before it
// is filled: cleared and then written while it is in the cache, rather than
// all of it cleared first and written again once it has left the cache.
constexpr std::uint64_t kInflatePiece = std::uint64_t{256} << 10;

std::optional<std::vector<std::uint8_t>> inflateInto(Archive data, std::uint64_t bufferSize) {
  constexpr std::uint64_t kMaxChunk = std::numeric_limits<uInt>::max();
  if (data.size() > kMaxChunk || bufferSize > kMaxChunk) return std::nullopt;
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return std::nullopt;
  std::vector<std::uint8_t> out;
  out.reserve(bufferSize);
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  int status = Z_OK;
  for (;;) {
    const std::size_t filled = out.size();
    const std::size_t room = std::min(kInflatePiece, bufferSize - filled);
    out.resize(filled + room);
    stream.next_out = out.data() + filled;
    stream.avail_out = static_cast<uInt>(room);
    const bool lastRoom = out.size() == bufferSize;
    status = inflate(&stream, lastRoom ? Z_FINISH : Z_NO_FLUSH);
    out.resize(stream.total_out);
    if (status != Z_OK || lastRoom) break;
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) return std::nullopt;
  if (out.capacity() / 2 > out.size()) out.shrink_to_fit();  // a declared size far too large
  return out;
}

// Reads one entry within what is left of the archive budget: no buffer larger
// than the rest is ever allocated, and the entry's final size is charged.
std::optional<std::vector<std::uint8_t>> readEntry(Archive data, const CentralHeader& header,
                                                   std::uint64_t& budget) {
  std::optional<std::vector<std::uint8_t>> bytes;
  if (header.method == kStored && data.size() <= budget) {
    bytes.emplace(data.begin(), data.end());
  } else if (header.method == kDeflated) {
    const std::uint64_t bufferSize = inflationBufferSize(data.size(), header.uncompressedSize);
    if (bufferSize <= budget) bytes = inflateInto(data, bufferSize);
  }
  if (bytes) budget -= bytes->size();
  return bytes;
}

// An archive's bytes from `base` on: all of it (base 0), or the part read
// around its central directory. Positions are the archive's own.
struct Window {
  Archive bytes;
  std::uint64_t base = 0;
  std::uint64_t archiveSize = 0;
};

// Calls visit(name, header) for each header of the central directory at
// `offset` of `size` bytes, in directory order. A header whose name, extra
// field or comment runs past the end of the archive ends the walk; the
// window holds every header that starts inside the directory.
template <typename Visit>
void walkHeaders(const Window& window, std::uint64_t offset, std::uint64_t size, const Visit& visit) {
  const std::uint64_t limit = std::min<std::uint64_t>(window.archiveSize, offset + size);
  for (std::uint64_t p = offset; limit >= p + kCentralHeaderSize;) {
    const Archive bytes = window.bytes.subspan(p - window.base);
    if (read32(bytes, 0) != kCentralHeaderSignature) break;
    const CentralHeader header = readCentralHeader(bytes, 0);
    if (p + header.totalLength > window.archiveSize) break;
    visit(entryName(bytes, kCentralHeaderSize, header.nameLength), header);
    p += header.totalLength;
  }
}

// Calls visit(name, header, data) for each entry of the central directory
// whose data lies inside the archive, in directory order.
template <typename Visit>
void walkDirectory(Archive archive, const Visit& visit) {
  if (archive.size() < kEndRecordSize) return;
  const auto endRecord = findEndRecord(archive);
  if (!endRecord) return;
  walkHeaders(Window{archive, 0, archive.size()}, read32(archive, *endRecord + 16),
              read32(archive, *endRecord + 12), [&](std::string name, const CentralHeader& header) {
                if (const auto data = entryData(archive, header)) visit(std::move(name), header, *data);
              });
}

using ArchiveReader = FastZipExtractor::ArchiveReader;

// The central directory of an archive read by position: its offset and size
// as the end record gives them, and the bytes from that offset as far as a
// header starting inside it can reach. Nothing without an end record or
// when a read fails.
struct Directory {
  std::vector<std::uint8_t> bytes;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

std::optional<Directory> readDirectory(const ArchiveReader& archive) {
  if (archive.size < kEndRecordSize) return std::nullopt;
  std::vector<std::uint8_t> tail(std::min(archive.size, kEndRecordSize + kMaxCommentSize));
  if (!archive.read(archive.size - tail.size(), tail)) return std::nullopt;
  const auto endRecord = findEndRecord(tail);
  if (!endRecord) return std::nullopt;
  Directory directory;
  directory.offset = read32(tail, *endRecord + 16);
  directory.size = read32(tail, *endRecord + 12);
  // A header's name, extra field and comment add at most three 16-bit
  // lengths to its fixed part.
  const std::uint64_t end = std::min(archive.size, directory.offset + directory.size + 3 * 0xFFFF);
  if (directory.offset < end) {
    directory.bytes.resize(end - directory.offset);
    if (!archive.read(directory.offset, directory.bytes)) return std::nullopt;
  }
  return directory;
}

// Where the entry's data starts when it lies inside the archive.
std::optional<std::uint64_t> entryDataStart(const ArchiveReader& archive, const CentralHeader& header) {
  const std::uint64_t local = header.localHeaderOffset;
  if (local + kLocalHeaderSize > archive.size) return std::nullopt;
  std::array<std::uint8_t, kLocalHeaderSize> localHeader{};
  if (!archive.read(local, localHeader)) return std::nullopt;
  const std::uint64_t start = dataStart(local, localHeader);
  if (start + header.compressedSize > archive.size) return std::nullopt;
  return start;
}

// The compressed data is read in pieces of this size, so that no more of it
// is read than the beginning needs.
constexpr std::size_t kInputPiece = 64 * 1024;

// At most maxBytes of the deflated data at `start`, inflating no further
// than that.
std::optional<FastZipExtractor::Beginning> inflateBeginning(const ArchiveReader& archive, std::uint64_t start,
                                                            std::uint64_t compressedSize,
                                                            std::size_t maxBytes) {
  constexpr std::uint64_t kMaxChunk = std::numeric_limits<uInt>::max();
  const std::uint64_t bound =
      FastZipExtractor::kMaxInflationRatio * compressedSize + FastZipExtractor::kMinInflationBuffer;
  const std::uint64_t size = std::min<std::uint64_t>(maxBytes, bound);
  if (size > kMaxChunk) return std::nullopt;
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return std::nullopt;
  FastZipExtractor::Beginning beginning;
  beginning.bytes.resize(size);
  stream.next_out = beginning.bytes.data();
  stream.avail_out = static_cast<uInt>(size);
  std::vector<std::uint8_t> piece(std::min<std::uint64_t>(compressedSize, kInputPiece));
  int status = Z_OK;
  for (std::uint64_t done = 0; status == Z_OK && stream.avail_out > 0 && done < compressedSize;) {
    const std::span<std::uint8_t> input(piece.data(),
                                        std::min<std::uint64_t>(piece.size(), compressedSize - done));
    if (!archive.read(start + done, input)) break;
    done += input.size();
    stream.next_in = input.data();
    stream.avail_in = static_cast<uInt>(input.size());
    do {
      status = inflate(&stream, Z_SYNC_FLUSH);
    } while (status == Z_OK && stream.avail_in > 0 && stream.avail_out > 0);
  }
  const uLong produced = stream.total_out;
  inflateEnd(&stream);
  beginning.whole = status == Z_STREAM_END;
  beginning.bytes.resize(produced);
  if (!beginning.whole && produced == 0) return std::nullopt;
  return beginning;
}

// At most maxBytes of the entry whose data starts at `start`.
std::optional<FastZipExtractor::Beginning> readBeginning(const ArchiveReader& archive, std::uint64_t start,
                                                         const CentralHeader& header, std::size_t maxBytes) {
  if (header.method == kDeflated) return inflateBeginning(archive, start, header.compressedSize, maxBytes);
  if (header.method != kStored) return std::nullopt;
  FastZipExtractor::Beginning beginning;
  beginning.whole = header.compressedSize <= maxBytes;
  beginning.bytes.resize(std::min<std::size_t>(header.compressedSize, maxBytes));
  if (!archive.read(start, beginning.bytes)) return std::nullopt;
  return beginning;
}

}  // namespace

ZipEntries FastZipExtractor::extractEntries(std::span<const std::uint8_t> archive) {
  return extractEntries(archive, kMaxExtractedBytes);
}

ZipEntries FastZipExtractor::extractEntries(std::span<const std::uint8_t> archive,
                                            std::uint64_t maxExtractedBytes) {
  ZipEntries entries;
  std::uint64_t budget = maxExtractedBytes;
  walkDirectory(archive, [&](std::string name, const CentralHeader& header, Archive data) {
    if (auto bytes = readEntry(data, header, budget))
      entries.insert_or_assign(std::move(name), std::move(*bytes));
  });
  return entries;
}

ZipEntries FastZipExtractor::extractEntries(std::span<const std::uint8_t> archive,
                                            std::initializer_list<std::string_view> names) {
  ZipEntries entries;
  std::uint64_t budget = kMaxExtractedBytes;
  walkDirectory(archive, [&](std::string name, const CentralHeader& header, Archive data) {
    if (std::find(names.begin(), names.end(), name) == names.end()) return;
    if (auto bytes = readEntry(data, header, budget))
      entries.insert_or_assign(std::move(name), std::move(*bytes));
  });
  return entries;
}

FastZipExtractor::ArchiveReader FastZipExtractor::ArchiveReader::of(std::span<const std::uint8_t> archive) {
  return {archive.size(), [archive](std::uint64_t offset, std::span<std::uint8_t> into) {
            std::copy_n(archive.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
            return true;
          }};
}

std::optional<FastZipExtractor::Beginning> FastZipExtractor::entryBeginning(const ArchiveReader& archive,
                                                                            std::string_view name,
                                                                            std::size_t maxBytes) {
  const std::optional<Directory> directory = readDirectory(archive);
  if (!directory) return std::nullopt;
  std::vector<CentralHeader> candidates;
  walkHeaders(Window{directory->bytes, directory->offset, archive.size}, directory->offset, directory->size,
              [&](const std::string& entryName, const CentralHeader& header) {
                if (entryName == name) candidates.push_back(header);
              });
  for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
    const std::optional<std::uint64_t> start = entryDataStart(archive, *it);
    if (!start) continue;
    if (auto beginning = readBeginning(archive, *start, *it, maxBytes)) return beginning;
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> FastZipExtractor::decompressDeflate(
    std::span<const std::uint8_t> data, std::int64_t uncompressedSize) {
  return inflateInto(data, inflationBufferSize(data.size(), uncompressedSize));
}

}  // namespace maravel
