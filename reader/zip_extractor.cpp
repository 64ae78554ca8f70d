#include "reader/zip_extractor.hpp"

#include <zlib.h>

#include <algorithm>
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

// The entry's data as the local header places it, when it lies inside the
// archive. Sizes come from the central directory only.
std::optional<Archive> entryData(Archive archive, const CentralHeader& header) {
  const std::uint64_t local = header.localHeaderOffset;
  if (local + kLocalHeaderSize > archive.size()) return std::nullopt;
  const std::uint64_t start =
      local + kLocalHeaderSize + read16(archive, local + 26) + read16(archive, local + 28);
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

std::optional<std::vector<std::uint8_t>> inflateInto(Archive data, std::uint64_t bufferSize) {
  constexpr std::uint64_t kMaxChunk = std::numeric_limits<uInt>::max();
  if (data.size() > kMaxChunk || bufferSize > kMaxChunk) return std::nullopt;
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return std::nullopt;
  std::vector<std::uint8_t> out(bufferSize);
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&stream, Z_FINISH);
  const uLong produced = stream.total_out;
  inflateEnd(&stream);
  if (status != Z_OK && status != Z_STREAM_END) return std::nullopt;
  out.resize(produced);
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

// Calls visit(name, header, data) for each entry of the central directory
// whose data lies inside the archive, in directory order.
template <typename Visit>
void walkDirectory(Archive archive, const Visit& visit) {
  if (archive.size() < kEndRecordSize) return;
  const auto endRecord = findEndRecord(archive);
  if (!endRecord) return;

  const std::uint64_t directorySize = read32(archive, *endRecord + 12);
  const std::uint64_t directoryOffset = read32(archive, *endRecord + 16);
  const std::uint64_t limit = std::min<std::uint64_t>(archive.size(), directoryOffset + directorySize);
  for (std::uint64_t p = directoryOffset; limit >= p + kCentralHeaderSize;) {
    if (read32(archive, p) != kCentralHeaderSignature) break;
    const CentralHeader header = readCentralHeader(archive, p);
    if (p + header.totalLength > archive.size()) break;
    if (const auto data = entryData(archive, header))
      visit(entryName(archive, p + kCentralHeaderSize, header.nameLength), header, *data);
    p += header.totalLength;
  }
}

// At most maxBytes of the entry, inflating no further than that.
std::optional<FastZipExtractor::Beginning> readBeginning(Archive data, std::uint16_t method,
                                                         std::size_t maxBytes) {
  FastZipExtractor::Beginning beginning;
  if (method == kStored) {
    beginning.whole = data.size() <= maxBytes;
    const std::size_t size = std::min<std::size_t>(data.size(), maxBytes);
    beginning.bytes.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(size));
    return beginning;
  }
  if (method != kDeflated) return std::nullopt;
  constexpr std::uint64_t kMaxChunk = std::numeric_limits<uInt>::max();
  const std::uint64_t bound =
      FastZipExtractor::kMaxInflationRatio * data.size() + FastZipExtractor::kMinInflationBuffer;
  const std::uint64_t size = std::min<std::uint64_t>(maxBytes, bound);
  if (data.size() > kMaxChunk || size > kMaxChunk) return std::nullopt;
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return std::nullopt;
  beginning.bytes.resize(size);
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = beginning.bytes.data();
  stream.avail_out = static_cast<uInt>(size);
  const int status = inflate(&stream, Z_SYNC_FLUSH);
  const uLong produced = stream.total_out;
  inflateEnd(&stream);
  beginning.whole = status == Z_STREAM_END;
  beginning.bytes.resize(produced);
  if (!beginning.whole && produced == 0) return std::nullopt;
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

std::optional<FastZipExtractor::Beginning> FastZipExtractor::entryBeginning(
    std::span<const std::uint8_t> archive, std::string_view name, std::size_t maxBytes) {
  std::vector<std::pair<CentralHeader, Archive>> candidates;
  walkDirectory(archive, [&](const std::string& entryName, const CentralHeader& header, Archive data) {
    if (entryName == name) candidates.emplace_back(header, data);
  });
  for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
    if (auto beginning = readBeginning(it->second, it->first.method, maxBytes)) return beginning;
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> FastZipExtractor::decompressDeflate(
    std::span<const std::uint8_t> data, std::int64_t uncompressedSize) {
  return inflateInto(data, inflationBufferSize(data.size(), uncompressedSize));
}

}  // namespace maravel
