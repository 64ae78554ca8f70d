// The header reading of PictureDecoder, apart from the decoding so that
// programs that only ask what a picture is (paper's PictureKind in the Word
// copy writer) are not linked to the image loaders.
#include <algorithm>
#include <initializer_list>

#include "platform/drawing/picture_decoder.hpp"

namespace maravel::drawing::detail {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint32_t bigEndian16(Bytes b, std::size_t at) { return std::uint32_t{b[at]} << 8 | b[at + 1]; }
std::uint32_t littleEndian16(Bytes b, std::size_t at) { return std::uint32_t{b[at + 1]} << 8 | b[at]; }
std::uint32_t bigEndian32(Bytes b, std::size_t at) {
  return bigEndian16(b, at) << 16 | bigEndian16(b, at + 2);
}
std::uint32_t littleEndian32(Bytes b, std::size_t at) {
  return littleEndian16(b, at + 2) << 16 | littleEndian16(b, at);
}

bool startsWith(Bytes bytes, std::initializer_list<std::uint8_t> prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::optional<PictureHeader> header(PictureFormat format, std::uint32_t width, std::uint32_t height,
                                    std::size_t decodedBytes, std::uint64_t morePixels = 0) {
  if (width == 0 || height == 0) return std::nullopt;
  return PictureHeader{format, width, height, std::uint64_t{width} * height + morePixels, decodedBytes};
}

std::optional<PictureHeader> png(Bytes b) {
  if (b.size() < 24 || !startsWith(b.subspan(12), {'I', 'H', 'D', 'R'})) return std::nullopt;
  return header(PictureFormat::png, bigEndian32(b, 16), bigEndian32(b, 20), b.size());
}

// The first frame header (SOF0 to SOF15 but DHT, JPG and DAC), as the
// decoder takes it.
std::optional<PictureHeader> jpeg(Bytes b) {
  std::size_t at = 2;
  while (at + 1 < b.size()) {
    if (b[at] != 0xFF) return std::nullopt;
    const std::uint8_t marker = b[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {  // no length
      at += 2;
      continue;
    }
    if (at + 4 > b.size()) return std::nullopt;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 9 > b.size()) return std::nullopt;
      auto found = header(PictureFormat::jpeg, bigEndian16(b, at + 7), bigEndian16(b, at + 5), b.size());
      if (found && at + 9 < b.size()) found->components = b[at + 9];
      return found;
    }
    at += 2 + bigEndian16(b, at + 2);
  }
  return std::nullopt;
}

// Past the data sub-blocks starting at `at`, or nothing when they run off.
std::optional<std::size_t> skipSubBlocks(Bytes b, std::size_t at) {
  while (at < b.size()) {
    const std::size_t length = b[at];
    at += 1 + length;
    if (length == 0) return at;
  }
  return std::nullopt;
}

// The screen and the first frame, which may reach past the screen (the
// decoder then makes room for it); the rest is never decoded.
std::optional<PictureHeader> gif(Bytes b) {
  if (b.size() < 13) return std::nullopt;
  std::uint32_t width = littleEndian16(b, 6);
  std::uint32_t height = littleEndian16(b, 8);
  const auto colourTable = [](std::uint8_t flags) { return flags & 0x80 ? 3u << ((flags & 7) + 1) : 0u; };
  std::size_t at = 13 + colourTable(b[10]);
  while (at + 1 < b.size() && b[at] == 0x21) {  // extensions before the frame
    const auto next = skipSubBlocks(b, at + 2);
    if (!next) return std::nullopt;
    at = *next;
  }
  if (at + 10 >= b.size() || b[at] != 0x2C) return std::nullopt;
  const std::uint32_t frameWidth = littleEndian16(b, at + 5);
  const std::uint32_t frameHeight = littleEndian16(b, at + 7);
  width = std::max(width, littleEndian16(b, at + 1) + frameWidth);
  height = std::max(height, littleEndian16(b, at + 3) + frameHeight);
  const auto end = skipSubBlocks(b, at + 10 + colourTable(b[at + 9]) + 1);
  if (!end || frameWidth == 0 || frameHeight == 0) return std::nullopt;
  return header(PictureFormat::gif, width, height, *end, std::uint64_t{frameWidth} * frameHeight);
}

// The header sizes of the known BMP headers (OS/2 1 and 2, Windows 3 to 5):
// a loader buffers the whole header before it reads a field of it.
std::optional<PictureHeader> bmp(Bytes b) {
  if (b.size() < 26) return std::nullopt;
  const std::uint32_t headerSize = littleEndian32(b, 14);
  if (headerSize == 12) {  // 16-bit sizes
    return header(PictureFormat::bmp, littleEndian16(b, 18), littleEndian16(b, 20), b.size());
  }
  static constexpr std::uint32_t kHeaderSizes[] = {16, 40, 52, 56, 64, 108, 124};
  if (std::find(std::begin(kHeaderSizes), std::end(kHeaderSizes), headerSize) == std::end(kHeaderSizes))
    return std::nullopt;
  const auto width = static_cast<std::int32_t>(littleEndian32(b, 18));
  const auto height = static_cast<std::int32_t>(littleEndian32(b, 22));
  if (width <= 0 || height == 0 || height == INT32_MIN) return std::nullopt;
  return header(PictureFormat::bmp, static_cast<std::uint32_t>(width),
                static_cast<std::uint32_t>(height < 0 ? -height : height), b.size());
}

}  // namespace

std::optional<PictureHeader> PictureDecoder::inspect(std::span<const std::uint8_t> bytes) {
  if (startsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return png(bytes);
  if (startsWith(bytes, {0xFF, 0xD8, 0xFF})) return jpeg(bytes);
  if (startsWith(bytes, {'G', 'I', 'F', '8'})) return gif(bytes);
  if (startsWith(bytes, {'B', 'M'})) return bmp(bytes);
  return std::nullopt;
}

}  // namespace maravel::drawing::detail
