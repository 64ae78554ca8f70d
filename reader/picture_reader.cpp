#include "reader/picture_reader.hpp"

#include <cmath>
#include <cstdlib>

#include "platform/text/text.hpp"

namespace maravel {

namespace {

// When both display sizes are given only this prefix of the base64 text is
// decoded: 48 bytes, enough for the PNG, GIF and BMP headers.
constexpr std::size_t kHeaderPrefixLength = 64;
// Otherwise the header search reads at most this prefix (768 KiB of
// picture), which holds a JPEG's frame header behind any usual run of
// metadata segments; the rest of a large picture is never decoded.
constexpr std::size_t kSearchPrefixLength = std::size_t{1} << 20;
constexpr double kFallbackSize = 16;

struct PixelFormat {
  std::string mimeType = "image/png";
  std::optional<double> width;  // both set or both absent
  std::optional<double> height;
};

using Bytes = std::vector<std::uint8_t>;

std::uint32_t bigEndian16(const Bytes& b, std::size_t i) { return (std::uint32_t{b[i]} << 8) | b[i + 1]; }
std::uint32_t littleEndian16(const Bytes& b, std::size_t i) { return (std::uint32_t{b[i + 1]} << 8) | b[i]; }

bool isBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
         c == '=';
}

std::optional<double> number(const AttributeMap& attributes, const char* key) {
  const auto it = attributes.find(key);
  if (it == attributes.end()) return std::nullopt;
  return text::parseNumber(it->second);
}

// Walks the JPEG segments from index 2 to the first frame header (SOFn other
// than DHT, JPG and DAC) and reads its height and width. Every iteration
// starts with i + 9 < n, so the reads up to i + 8 stay inside the data.
void readJPEGFrame(const Bytes& b, PixelFormat& format) {
  const std::size_t n = b.size();
  if (n < 12) return;
  std::size_t i = 2;
  while (i + 9 < n) {
    std::size_t next = i + 1;
    if (b[i] == 0xFF) {
      const std::uint8_t m = b[i + 1];
      if (m == 0x01 || (m >= 0xD0 && m <= 0xD9)) {
        next = i + 2;
      } else if (m == 0xFF) {
        next = i + 1;
      } else if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
        format.height = bigEndian16(b, i + 5);  // bytes i+5, i+6
        format.width = bigEndian16(b, i + 7);   // bytes i+7, i+8
        return;
      } else {
        next = i + 2 + bigEndian16(b, i + 2);  // bytes i+2, i+3
      }
    }
    i = next;
  }
}

PixelFormat pixelFormat(const Bytes& b) {
  PixelFormat format;
  const std::size_t n = b.size();
  if (n >= 24 && b[0] == 0x89 && b[1] == 0x50) {
    format.width = PictureReader::bigEndian(b, 16);
    format.height = PictureReader::bigEndian(b, 20);
  } else if (n >= 10 && b[0] == 0x47 && b[1] == 0x49 && b[2] == 0x46) {
    format.mimeType = "image/gif";
    format.width = littleEndian16(b, 6);
    format.height = littleEndian16(b, 8);
  } else if (n >= 26 && b[0] == 0x42 && b[1] == 0x4D) {
    format.mimeType = "image/bmp";
    format.width = PictureReader::littleEndian(b, 18);
    const auto signedHeight = static_cast<std::int32_t>(PictureReader::littleEndian(b, 22));
    format.height = std::abs(static_cast<double>(signedHeight));
  } else if (n >= 4 && b[0] == 0xFF && b[1] == 0xD8) {
    format.mimeType = "image/jpeg";
    readJPEGFrame(b, format);
  }
  return format;
}

double atLeastOne(double value) { return std::isfinite(value) && value >= 1 ? value : 1; }

// The display size from the given sizes and the pixel size; proportions
// are kept when only one side is given.
void displaySize(std::optional<double> givenWidth, std::optional<double> givenHeight,
                 const PixelFormat& pixels, InlineImage& image) {
  const double pw = pixels.width.value_or(kFallbackSize);
  const double ph = pixels.height.value_or(kFallbackSize);
  const bool known = pixels.width.has_value();
  if (givenWidth) {
    image.width = *givenWidth;
    if (givenHeight) {
      image.height = *givenHeight;
    } else {
      image.height = known && pw > 0 ? *givenWidth * ph / pw : ph;
    }
  } else {
    image.height = givenHeight.value_or(ph);
    image.width = givenHeight && known && ph > 0 ? *givenHeight * pw / ph : pw;
  }
  image.width = atLeastOne(image.width);
  image.height = atLeastOne(image.height);
}

}  // namespace

std::string PictureReader::base64Alphabet(std::string_view value) {
  std::string result;
  result.reserve(value.size());
  for (const char c : value) {
    if (isBase64Character(c)) result.push_back(c);
  }
  return result;
}

std::optional<InlineImage> PictureReader::picture(const AttributeMap& attributes) {
  const auto data = attributes.find("imagedata");
  if (data == attributes.end()) return std::nullopt;
  InlineImage image;
  image.base64 = base64Alphabet(data->second);
  if (image.base64.empty()) return std::nullopt;

  const std::optional<double> width = number(attributes, "width");
  const std::optional<double> height = number(attributes, "height");
  const std::string_view examined =
      std::string_view(image.base64).substr(0, width && height ? kHeaderPrefixLength : kSearchPrefixLength);
  const PixelFormat pixels = pixelFormat(text::decodeBase64(examined));

  image.mimeType = pixels.mimeType;
  displaySize(width, height, pixels, image);
  return image;
}

std::uint32_t PictureReader::bigEndian(const std::vector<std::uint8_t>& b, std::size_t i) {
  return (std::uint32_t{b[i]} << 24) | (std::uint32_t{b[i + 1]} << 16) | (std::uint32_t{b[i + 2]} << 8) |
         b[i + 3];
}

std::uint32_t PictureReader::littleEndian(const std::vector<std::uint8_t>& b, std::size_t i) {
  return (std::uint32_t{b[i + 3]} << 24) | (std::uint32_t{b[i + 2]} << 16) | (std::uint32_t{b[i + 1]} << 8) |
         b[i];
}

}  // namespace maravel
