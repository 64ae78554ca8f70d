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

std::uint64_t inflationBufferSize(std::uint64_t compressedSize, std::int64_t uncompressedSize) {
  const std::uint64_t wanted =
      uncompressedSize > 0 ? static_cast<std::uint64_t>(uncompressedSize) : 6 * compressedSize;
  const std::uint64_t bound =
      FastZipExtractor::kMaxInflationRatio * compressedSize + FastZipExtractor::kMinInflationBuffer;
  return std::max(std::min(wanted, bound), FastZipExtractor::kMinInflationBuffer);
}

using ArchiveReader = FastZipExtractor::ArchiveReader;

// Where an entry's bytes go as they are read: room(n) gives room for at most
// n more bytes, wrote(n) says how many of them were filled.
class EntrySink {
 public:
  virtual ~EntrySink() = default;
  virtual std::span<std::uint8_t> room(std::size_t size) = 0;
  virtual void wrote(std::size_t count) = 0;
  // The most the entry can hold, before any room is asked for.
  virtual void expect(std::uint64_t) {}
};

// The entry kept whole in memory.
class WholeEntry final : public EntrySink {
 public:
  std::span<std::uint8_t> room(std::size_t size) override {
    filled_ = bytes.size();
    bytes.resize(filled_ + size);
    return {bytes.data() + filled_, size};
  }
  void wrote(std::size_t count) override { bytes.resize(filled_ + count); }
  void expect(std::uint64_t size) override { bytes.reserve(size); }

  std::vector<std::uint8_t> bytes;

 private:
  std::size_t filled_ = 0;
};

// The compressed data is read in pieces of this size when the archive is
// read by position.
constexpr std::size_t kInputPiece = 64 * 1024;

// The data of one entry, a piece at a time: where it lies when the archive
// is held in memory, else read into a buffer of its own. An empty piece
// ends it (a failed read included).
class EntryData {
 public:
  EntryData(const ArchiveReader& archive, std::uint64_t start, std::uint64_t size)
      : archive_(archive), at_(start), left_(size) {}

  std::span<const std::uint8_t> next() {
    constexpr std::uint64_t kMaxChunk = std::numeric_limits<uInt>::max();
    const bool inMemory = !archive_.memory.empty();
    const std::uint64_t size = std::min<std::uint64_t>(left_, inMemory ? kMaxChunk : kInputPiece);
    if (size == 0) return {};
    std::span<const std::uint8_t> piece;
    if (inMemory) {
      piece = archive_.memory.subspan(at_, size);
    } else {
      piece_.resize(size);
      if (!archive_.read(at_, piece_)) return {};
      piece = piece_;
    }
    at_ += size;
    left_ -= size;
    return piece;
  }

 private:
  const ArchiveReader& archive_;
  std::uint64_t at_;
  std::uint64_t left_;
  std::vector<std::uint8_t> piece_;
};

// The output is given its room a piece at a time, each piece just before it
// is filled: cleared and then written while it is in the cache, rather than
// all of it cleared first and written again once it has left the cache.
constexpr std::uint64_t kInflatePiece = std::uint64_t{256} << 10;

// Inflates the raw deflate stream of `data` into `sink`, never past
// `bufferSize` bytes; the number of bytes when the stream ends within them,
// nothing when it is damaged, cut short or longer.
std::optional<std::uint64_t> inflateWithin(EntryData& data, std::uint64_t bufferSize, EntrySink& sink) {
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return std::nullopt;
  sink.expect(bufferSize);
  Bytef spare = 0;  // where zlib may point when the room is spent (never null)
  bool inputLeft = true;
  int status = Z_OK;
  for (;;) {
    if (stream.avail_in == 0 && inputLeft) {
      const std::span<const std::uint8_t> piece = data.next();
      inputLeft = !piece.empty();
      stream.next_in = const_cast<Bytef*>(piece.data());
      stream.avail_in = static_cast<uInt>(piece.size());
    }
    const std::uint64_t size = std::min<std::uint64_t>(kInflatePiece, bufferSize - stream.total_out);
    const std::span<std::uint8_t> room = sink.room(static_cast<std::size_t>(size));
    stream.next_out = room.empty() ? &spare : room.data();
    stream.avail_out = static_cast<uInt>(room.size());
    status = inflate(&stream, Z_NO_FLUSH);
    sink.wrote(room.size() - stream.avail_out);
    if (status == Z_STREAM_END || (status != Z_OK && status != Z_BUF_ERROR)) break;
    // No progress: it needs input there is no more of, or room past the bound.
    if (status == Z_BUF_ERROR && !(stream.avail_in == 0 && inputLeft) && stream.total_out == bufferSize)
      break;
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && !inputLeft) break;
  }
  const std::uint64_t total = stream.total_out;
  inflateEnd(&stream);
  if (status != Z_STREAM_END) return std::nullopt;
  return total;
}

// Copies stored data into `sink`, as far as each room it gives reaches.
std::optional<std::uint64_t> copyStored(EntryData& data, EntrySink& sink, std::uint64_t size) {
  sink.expect(size);
  std::uint64_t total = 0;
  for (std::span<const std::uint8_t> piece = data.next(); !piece.empty(); piece = data.next()) {
    while (!piece.empty()) {
      const std::span<std::uint8_t> room = sink.room(piece.size());
      std::copy_n(piece.begin(), room.size(), room.begin());
      sink.wrote(room.size());
      piece = piece.subspan(room.size());
      total += room.size();
    }
  }
  if (total != size) return std::nullopt;
  return total;
}

// The one rule by which every reading of an archive takes or leaves an
// entry whose data starts at `start`: stored or deflated, read whole, within
// what is left of the budget (no buffer larger than the rest is ever
// allowed for), and a deflate stream that ends within the room its declared
// size and the inflation ratio give. The entry's final size is charged.
// Its size when taken; nothing when left.
std::optional<std::uint64_t> readEntry(const ArchiveReader& archive, std::uint64_t start,
                                       const CentralHeader& header, std::uint64_t& budget, EntrySink& sink) {
  EntryData data(archive, start, header.compressedSize);
  std::optional<std::uint64_t> size;
  if (header.method == kStored && header.compressedSize <= budget) {
    size = copyStored(data, sink, header.compressedSize);
  } else if (header.method == kDeflated) {
    const std::uint64_t bufferSize = inflationBufferSize(header.compressedSize, header.uncompressedSize);
    if (bufferSize <= budget) size = inflateWithin(data, bufferSize, sink);
  }
  if (size) budget -= *size;
  return size;
}

// The most readEntry can charge for an entry.
std::uint64_t largestCharge(const CentralHeader& header) {
  if (header.method == kStored) return header.compressedSize;
  if (header.method == kDeflated) return inflationBufferSize(header.compressedSize, header.uncompressedSize);
  return 0;
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

struct NamedHeader {
  std::string name;
  CentralHeader header;
};

// The headers of the central directory, in order.
std::vector<NamedHeader> directoryHeaders(const ArchiveReader& archive) {
  std::vector<NamedHeader> headers;
  const std::optional<Directory> directory = readDirectory(archive);
  if (!directory) return headers;
  walkHeaders(Window{directory->bytes, directory->offset, archive.size}, directory->offset, directory->size,
              [&](std::string name, const CentralHeader& header) {
                headers.push_back({std::move(name), header});
              });
  return headers;
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

// Calls visit(name, header, start) for each entry of the central directory
// whose data lies inside the archive, in directory order, until it returns
// false.
template <typename Visit>
void walkEntries(const ArchiveReader& archive, const std::vector<NamedHeader>& headers, const Visit& visit) {
  for (const NamedHeader& entry : headers) {
    const std::optional<std::uint64_t> start = entryDataStart(archive, entry.header);
    if (start && !visit(entry.name, entry.header, *start)) return;
  }
}

ZipEntries extract(const ArchiveReader& archive, std::uint64_t budget,
                   const std::function<bool(const std::string&)>& wanted) {
  ZipEntries entries;
  walkEntries(archive, directoryHeaders(archive),
              [&](std::string name, const CentralHeader& header, std::uint64_t start) {
                if (!wanted(name)) return true;
                WholeEntry sink;
                if (readEntry(archive, start, header, budget, sink)) {
                  // A declared size far too large leaves room unused.
                  if (sink.bytes.capacity() / 2 > sink.bytes.size()) sink.bytes.shrink_to_fit();
                  entries.insert_or_assign(std::move(name), std::move(sink.bytes));
                }
                return true;
              });
  return entries;
}

// The beginning of an entry as it is read: its first maxBytes kept, the
// rest passed through a small window; every byte shown to `watch`.
class BeginningSink final : public EntrySink {
 public:
  BeginningSink(std::size_t maxBytes, const FastZipExtractor::Watch& watch)
      : maxBytes_(maxBytes), watch_(watch) {}

  std::span<std::uint8_t> room(std::size_t size) override {
    if (bytes.size() < maxBytes_) {
      kept_ = bytes.size();
      bytes.resize(kept_ + std::min(size, maxBytes_ - kept_));
      current_ = std::span<std::uint8_t>(bytes).subspan(kept_);
    } else {
      window_.resize(kInputPiece);
      current_ = std::span<std::uint8_t>(window_).first(std::min(size, window_.size()));
    }
    return current_;
  }
  void wrote(std::size_t count) override {
    if (watch_ && count > 0) watch_(seen_, current_.first(count));
    seen_ += count;
    if (current_.data() != window_.data()) bytes.resize(kept_ + count);
  }

  std::vector<std::uint8_t> bytes;

 private:
  std::size_t maxBytes_;
  const FastZipExtractor::Watch& watch_;
  std::size_t kept_ = 0;
  std::uint64_t seen_ = 0;
  std::span<std::uint8_t> current_;
  std::vector<std::uint8_t> window_;
};

// Reads and forgets an entry, for its charge only.
class CountingSink final : public EntrySink {
 public:
  std::span<std::uint8_t> room(std::size_t size) override {
    window_.resize(kInputPiece);
    return std::span<std::uint8_t>(window_).first(std::min(size, window_.size()));
  }
  void wrote(std::size_t) override {}

 private:
  std::vector<std::uint8_t> window_;
};

}  // namespace

ZipEntries FastZipExtractor::extractEntries(std::span<const std::uint8_t> archive) {
  return extractEntries(archive, kMaxExtractedBytes);
}

ZipEntries FastZipExtractor::extractEntries(std::span<const std::uint8_t> archive,
                                            std::uint64_t maxExtractedBytes) {
  return extract(ArchiveReader::of(archive), maxExtractedBytes, [](const std::string&) { return true; });
}

ZipEntries FastZipExtractor::extractEntries(std::span<const std::uint8_t> archive,
                                            std::initializer_list<std::string_view> names) {
  return extract(ArchiveReader::of(archive), kMaxExtractedBytes, [&](const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  });
}

FastZipExtractor::ArchiveReader FastZipExtractor::ArchiveReader::of(std::span<const std::uint8_t> archive) {
  return {archive.size(),
          [archive](std::uint64_t offset, std::span<std::uint8_t> into) {
            std::copy_n(archive.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
            return true;
          },
          archive};
}

std::optional<FastZipExtractor::Beginning> FastZipExtractor::entryBeginning(const ArchiveReader& archive,
                                                                            std::string_view name,
                                                                            std::size_t maxBytes,
                                                                            const Watch& watch) {
  const std::vector<NamedHeader> headers = directoryHeaders(archive);
  const auto last = std::find_if(headers.rbegin(), headers.rend(),
                                 [&](const NamedHeader& entry) { return entry.name == name; });
  if (last == headers.rend()) return std::nullopt;
  const std::vector<NamedHeader> upToLast(headers.begin(), last.base());
  // When every entry up to the last of the name fits in the budget whatever
  // it holds, the budget takes or leaves none of them: the entry chosen is
  // then the last of the name that reads, and the others need not be read.
  std::uint64_t largest = 0;
  for (const NamedHeader& entry : upToLast) largest += largestCharge(entry.header);
  const bool budgetBinds = largest > kMaxExtractedBytes;
  std::optional<Beginning> chosen;
  std::uint64_t budget = kMaxExtractedBytes;
  const auto readBeginning = [&](const CentralHeader& header, std::uint64_t start) {
    BeginningSink sink(maxBytes, watch);
    const std::optional<std::uint64_t> size = readEntry(archive, start, header, budget, sink);
    if (size) chosen = Beginning{std::move(sink.bytes), *size <= maxBytes};
    return size.has_value();
  };
  if (!budgetBinds) {
    for (auto it = upToLast.rbegin(); it != upToLast.rend(); ++it) {
      if (it->name != name) continue;
      const std::optional<std::uint64_t> start = entryDataStart(archive, it->header);
      if (start && readBeginning(it->header, *start)) return chosen;
    }
    return std::nullopt;
  }
  // Else every entry is read for its charge, and the one chosen once more
  // for its beginning, with the budget it had.
  struct Chosen {
    CentralHeader header;
    std::uint64_t start;
    std::uint64_t budget;
  };
  std::optional<Chosen> taken;
  walkEntries(archive, upToLast,
              [&](const std::string& entryName, const CentralHeader& header, std::uint64_t start) {
                const std::uint64_t before = budget;
                CountingSink sink;
                if (readEntry(archive, start, header, budget, sink) && entryName == name)
                  taken = Chosen{header, start, before};
                return true;
              });
  if (!taken) return std::nullopt;
  budget = taken->budget;
  readBeginning(taken->header, taken->start);
  return chosen;
}

std::optional<std::vector<std::uint8_t>> FastZipExtractor::decompressDeflate(
    std::span<const std::uint8_t> data, std::int64_t uncompressedSize) {
  const ArchiveReader archive = ArchiveReader::of(data);
  EntryData input(archive, 0, data.size());
  WholeEntry sink;
  if (!inflateWithin(input, inflationBufferSize(data.size(), uncompressedSize), sink)) return std::nullopt;
  if (sink.bytes.capacity() / 2 > sink.bytes.size()) sink.bytes.shrink_to_fit();
  return std::move(sink.bytes);
}

}  // namespace maravel
