#include "reader/picture_reader.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/text.hpp"

namespace maravel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void putBigEndian(Bytes& b, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

// SOI, an APP0 segment of `appLength` bytes, then a baseline frame header.
Bytes jpeg(std::uint16_t width, std::uint16_t height, std::uint16_t appLength) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xE0};
  b.resize(4 + appLength, 0);
  putBigEndian(b, 4, appLength, 2);
  const Bytes frame = {0xFF, 0xC0, 0x00, 0x11, 0x08, 0, 0, 0, 0, 0x03, 0x01, 0x22, 0x00};
  const std::size_t at = b.size();
  b.insert(b.end(), frame.begin(), frame.end());
  putBigEndian(b, at + 5, height, 2);
  putBigEndian(b, at + 7, width, 2);
  return b;
}

std::string base64(const Bytes& b) { return text::encodeBase64(b); }

std::optional<InlineImage> picture(const std::string& data) {
  return PictureReader::picture({{"imagedata", data}});
}

// Sizes from each format's header, and what an image attribute may hold, are
// in the resimler golden document.
TEST(PictureReader, TruncatedJpegsNeverReadPastTheirBytes) {
  const Bytes whole = jpeg(640, 480, 20);
  for (std::size_t n = 4; n <= whole.size(); ++n) {
    const auto j = picture(base64(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n))));
    ASSERT_TRUE(j.has_value()) << n;
    EXPECT_EQ(j->mimeType, "image/jpeg");
    if (j->width != 640) {
      EXPECT_EQ(j->width, 16) << n;
    }
  }
  Bytes markers = {0xFF, 0xD8};
  for (int i = 0; i < 10; ++i) markers.insert(markers.end(), {0xFF, 0xFF, 0xFF, 0xE1});
  EXPECT_EQ(picture(base64(markers))->width, 16);
}

}  // namespace
}  // namespace maravel
