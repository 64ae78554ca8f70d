// Pictures as documents hold them, decoded for drawing (internal to
// platform/drawing; paper's PictureKind tells the other writers from it
// which pictures paper draws).
//
// Only the four formats documents use are decoded: PNG, JPEG, GIF and BMP,
// recognised by their first bytes, whatever the document says they are.
// Nothing else reaches an image loader: not SVG (whose filters and external
// references make a few bytes cost minutes), nor the rarer formats of the
// system's loaders (PNM, TIFF, XPM, TGA, ICO ...). The size is read from the
// header first (for a GIF from its screen and its first frame, the only one
// decoded), and a picture of more than
// kMaxPixels pixels is not decoded at all: a header of a few bytes could
// otherwise ask for gigabytes. A picture larger than kMaxSide pixels on a
// side is decoded scaled down to it (JPEG while decoding, the others after).
//
// Pure functions; safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace maravel::drawing::detail {

enum class PictureFormat { png, jpeg, gif, bmp };

struct PictureHeader {
  PictureFormat format = PictureFormat::png;
  std::uint32_t width = 0;  // pixels; for a GIF the extent of its screen and first frame
  std::uint32_t height = 0;
  std::uint64_t pixels = 0;  // width x height, and for a GIF the first frame's besides
  // The bytes a decoder needs: for a GIF those up to the end of its first
  // frame (a trailer is added), else all of them.
  std::size_t decodedBytes = 0;
  int components = 0;  // a JPEG's colour components
};

// A picture's pixels as premultiplied ARGB32 (alpha in the high byte), row
// after row from the top, without padding.
struct DecodedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

class PictureDecoder {
 public:
  static constexpr std::uint64_t kMaxPixels = 50'000'000;
  static constexpr int kMaxSide = 4096;

  // The format and size the header states; nothing for any other format, a
  // header that is cut short, or a size of zero.
  static std::optional<PictureHeader> inspect(std::span<const std::uint8_t> bytes);

  // The picture's pixels, at most kMaxSide on a side; nothing when it is not
  // one of the four formats, has more than kMaxPixels pixels, or does not
  // decode.
  static std::optional<DecodedPicture> decode(std::span<const std::uint8_t> bytes);
};

}  // namespace maravel::drawing::detail
