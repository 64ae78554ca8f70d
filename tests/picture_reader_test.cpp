#include "reader/picture_reader.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/text/text.hpp"
#include "reader/element_builder.hpp"
#include "reader/xml_tree.hpp"

namespace maravel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void putBigEndian(Bytes& b, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

void putLittleEndian(Bytes& b, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes png(std::uint32_t width, std::uint32_t height) {
  Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  b.resize(33, 0);
  putBigEndian(b, 16, width, 4);
  putBigEndian(b, 20, height, 4);
  return b;
}

Bytes gif(std::uint16_t width, std::uint16_t height) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  b.resize(13, 0);
  putLittleEndian(b, 6, width, 2);
  putLittleEndian(b, 8, height, 2);
  return b;
}

Bytes bmp(std::uint32_t width, std::int32_t height) {
  Bytes b = {'B', 'M'};
  b.resize(54, 0);
  putLittleEndian(b, 18, width, 4);
  putLittleEndian(b, 22, static_cast<std::uint32_t>(height), 4);
  return b;
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

// "mime width x height" of a picture, or "none".
std::string shape(const std::optional<InlineImage>& image) {
  if (!image) return "none";
  std::ostringstream out;
  out << image->mimeType << ' ' << image->width << 'x' << image->height;
  return out.str();
}

std::optional<InlineImage> picture(const std::string& data, std::optional<std::string> width = {},
                                   std::optional<std::string> height = {}) {
  AttributeMap attributes{{"imagedata", data}};
  if (width) attributes["width"] = *width;
  if (height) attributes["height"] = *height;
  return PictureReader::picture(attributes);
}

TEST(PictureReader, SizesFromHeadersKeepProportionsWhenOneSideIsGiven) {
  const std::string data = base64(png(200, 100));
  EXPECT_EQ(picture(data)->base64, data);
  EXPECT_FALSE(PictureReader::picture({{"width", "10"}}).has_value());
  const std::string jpegData = base64(jpeg(640, 480, 100));
  const struct {
    std::string data;
    std::optional<std::string> width, height;
    std::string shape;
  } cases[] = {{data, {}, {}, "image/png 200x100"},
               {data, "50", {}, "image/png 50x25"},
               {data, {}, "20", "image/png 40x20"},
               {data, "30", "30", "image/png 30x30"},
               {"QUJD!!", {}, {}, "image/png 16x16"},  // undecodable: a 16-point square
               {"QUJD", "40", "12", "image/png 40x12"},
               {"Q", "40", {}, "image/png 40x16"},
               {base64(gif(300, 7)), {}, {}, "image/gif 300x7"},
               {base64(bmp(64, -48)), {}, {}, "image/bmp 64x48"},  // top-down
               {jpegData, {}, {}, "image/jpeg 640x480"},           // found by walking the segments
               {jpegData, "120", "90", "image/jpeg 120x90"},       // frame beyond the examined prefix
               {data, "0", {}, "image/png 1x1"},                   // sizes are at least one and finite
               {data, "-5", "-5", "image/png 1x1"},
               {base64(png(0, 0)), {}, {}, "image/png 1x1"},
               {base64(png(1, 1000000)), "1e308", {}, "image/png 1e+308x1"},
               {data, "wide", {}, "image/png 200x100"},
               {"  \n\t \r\n ", {}, {}, "none"},  // only white space or junk: no picture
               {"\"><!-- -->", {}, {}, "none"}};
  for (const auto& c : cases) EXPECT_EQ(shape(picture(c.data, c.width, c.height)), c.shape) << c.shape;
}

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

// Only base64 characters reach the image, whatever the attribute held.
TEST(PictureReader, ImageElementInAParagraph) {
  const std::string data = base64(png(200, 100));
  const XMLParseResult tree = parseXMLTree(R"(<paragraph Alignment="1">
      <image imageData=")" + data.substr(0, 10) +
                                           "&#10;  &quot;&gt;&lt;!-- --&gt;&amp;" + data.substr(10) +
                                           R"(" width="50" />
    </paragraph>)");
  ElementBuilder builder({}, "", {});
  ListNumbering numbering;
  const ParagraphItem p = builder.paragraph(tree.root.children.at(0), numbering);
  ASSERT_EQ(p.runs.size(), 1u);
  ASSERT_TRUE(p.runs[0].image.has_value());
  EXPECT_EQ(p.runs[0].image->base64, data);
  EXPECT_EQ(p.runs[0].image->height, 25);

  const std::string clean = base64(png(2, 1));
  const std::string dirty = clean.substr(0, 8) + "\"><script>alert('x')</script>\n  \t" + clean.substr(8);
  EXPECT_EQ(picture(dirty)->base64, clean.substr(0, 8) + "scriptalertx/script" + clean.substr(8));
}

}  // namespace
}  // namespace maravel
