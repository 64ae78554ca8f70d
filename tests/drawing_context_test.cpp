#include "platform/drawing/drawing_context.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>

#include "platform/drawing/leak_suppressions.hpp"
#include "platform/drawing/picture_decoder.hpp"

namespace maravel::drawing {
namespace {

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  int count = 0;
};

// The bounding box of the pixels in the region that are darker than `below`
// in their red component and not transparent.
Box inkBox(const DrawingContext& context, int x0, int y0, int x1, int y1, int below = 200) {
  Box box;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const Pixel p = context.pixel(x, y);
      if (p.alpha == 0 || p.red >= below) continue;
      ++box.count;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

DrawingContext whiteSheet(double w, double h) {
  DrawingContext context(Size{w, h});
  context.fillRect(Rect{0, 0, w, h}, Color::calibratedWhite(1));
  return context;
}

const Color black = Color::calibratedWhite(0);

TEST(DrawingContextSurface, StartsTransparentAndClampsOddSizes) {
  DrawingContext context(Size{10.2, 5});
  EXPECT_EQ(context.pixelWidth(), 11);
  EXPECT_EQ(context.pixelHeight(), 5);
  EXPECT_EQ(context.pixel(3, 3).alpha, 0);
  EXPECT_EQ(context.pixel(-1, 0).alpha, 0);
  EXPECT_EQ(context.pixel(11, 0).alpha, 0);

  EXPECT_EQ(DrawingContext(Size{0, -4}).pixelWidth(), 1);
  EXPECT_EQ(DrawingContext(Size{std::nan(""), 1}).pixelWidth(), 1);
  EXPECT_EQ(DrawingContext(Size{1e9, 1}).pixelWidth(), DrawingContext::maximumSide);
}

TEST(DrawingContextShapes, FillAndStrokeCoverOnlyTheirRectangles) {
  DrawingContext context(Size{20, 20});
  context.fillRect(Rect{5, 5, 10, 10}, Color::calibratedRGB(1, 0, 0));
  const Pixel inside = context.pixel(10, 10);
  EXPECT_EQ(std::tuple(inside.red, inside.green, inside.alpha), std::tuple(255, 0, 255));
  EXPECT_EQ(context.pixel(4, 10).alpha + context.pixel(15, 10).alpha, 0);

  DrawingContext outline = whiteSheet(40, 40);
  outline.strokeRect(Rect{1, 1, 38, 38}, Color::calibratedWhite(0.82), 1.5);
  // The 1.5 line is centred on x = 1: it covers pixel column 1 by three
  // quarters and column 0 by one quarter.
  const Pixel edge = outline.pixel(1, 20);
  EXPECT_TRUE(edge.red == edge.green && edge.green == edge.blue);
  EXPECT_NEAR(edge.red, 0.75 * 0.82 * 255 + 0.25 * 255, 3);
  EXPECT_EQ(outline.pixel(20, 20).red, 255);
  EXPECT_LT(std::max(outline.pixel(38, 20).red, outline.pixel(20, 38).red), 240);
}

TEST(DrawingContextShapes, RoundedRectLeavesItsCornersOpen) {
  DrawingContext context(Size{60, 40});
  const Color blue = Color::calibratedRGB(0.12, 0.45, 0.88);
  context.fillRoundedRect(Rect{10, 10, 44, 20}, 4, 4, blue);
  const Pixel centre = context.pixel(30, 20);
  EXPECT_NEAR(centre.red, 31, 1);
  EXPECT_NEAR(centre.green, 115, 1);
  EXPECT_NEAR(centre.blue, 224, 1);
  EXPECT_EQ(context.pixel(10, 10).alpha, 0);  // the corner pixel lies outside the arc
  EXPECT_EQ(context.pixel(53, 29).alpha, 0);
  EXPECT_EQ(context.pixel(30, 10).alpha, 255);  // straight edges reach the rectangle
  EXPECT_EQ(context.pixel(10, 20).alpha, 255);

  DrawingContext capped(Size{20, 20});  // radii beyond half the side are capped
  capped.fillRoundedRect(Rect{0, 0, 20, 20}, 50, 50, black);
  EXPECT_EQ(capped.pixel(10, 10).alpha, 255);
  EXPECT_EQ(capped.pixel(0, 0).alpha, 0);
}

TEST(DrawingContextText, PointsArePixelsAndTheLineBoxStartsAtThePoint) {
  DrawingContext context = whiteSheet(200, 200);
  context.drawString("H", Point{20, 20}, Font::system(100), black);
  const Box box = inkBox(context, 0, 0, 200, 200, 128);
  EXPECT_NEAR(box.bottom - box.top + 1, 73, 4);  // DejaVu Sans caps are 0.73 em high
  EXPECT_TRUE(box.left >= 20 && box.top >= 20);

  DrawingContext badge = whiteSheet(100, 40);
  badge.drawString("UDF", Point{50, 10}, Font::system(10, true), black);
  const Box label = inkBox(badge, 0, 0, 100, 40);
  ASSERT_GT(label.count, 0);
  EXPECT_TRUE(label.left >= 50 && label.left <= 53 && label.top >= 10 && label.bottom <= 24);
}

TEST(DrawingContextText, AttributedStringWrapsAndStaysInsideItsRectangle) {
  DrawingContext context = whiteSheet(200, 200);
  std::string words;
  for (int i = 0; i < 200; ++i) words += "kelime ";
  const Rect rect{20, 30, 100, 60};
  context.drawAttributedString(words, rect, Font::named("Times New Roman", 12), black);
  const Box box = inkBox(context, 0, 0, 200, 200);
  ASSERT_GT(box.count, 0);
  EXPECT_TRUE(box.left >= 20 && box.top >= 30 && box.right <= 119 && box.bottom <= 89);
  EXPECT_GT(box.bottom, 80);  // wrapped onto later lines until clipped

  DrawingContext word = whiteSheet(200, 200);  // long words break inside the word
  word.drawAttributedString(std::string(300, 'M'), Rect{10, 10, 50, 100}, Font::system(10), black);
  EXPECT_LE(inkBox(word, 0, 0, 200, 200).right, 59);
  EXPECT_GT(inkBox(word, 0, 0, 200, 200).bottom, 40);
}

TEST(DrawingContextText, LineBreaksStartNewLines) {
  DrawingContext one = whiteSheet(200, 100);
  one.drawAttributedString("A", Rect{10, 10, 180, 80}, Font::system(12), black);
  DrawingContext three = whiteSheet(200, 100);
  three.drawAttributedString("A\n\nA", Rect{10, 10, 180, 80}, Font::system(12), black);
  const int oneHeight = inkBox(one, 0, 0, 200, 100).bottom;
  const int threeHeight = inkBox(three, 0, 0, 200, 100).bottom;
  EXPECT_GT(threeHeight - oneHeight, 20);  // two more lines of about 14 points

  DrawingContext empty = whiteSheet(50, 50);  // empty text or rectangle: nothing
  empty.drawAttributedString("", Rect{5, 5, 40, 40}, Font::system(12), black);
  empty.drawAttributedString("metin", Rect{5, 5, 0, 40}, Font::system(12), black);
  empty.drawAttributedString("metin", Rect{5, 5, 40, -1}, Font::system(12), black);
  EXPECT_EQ(inkBox(empty, 0, 0, 50, 50).count, 0);
}

TEST(DrawingContextText, InvalidUTF8AndNulBytesAreDrawnWithoutComplaint) {
  DrawingContext context = whiteSheet(100, 50);
  ::testing::internal::CaptureStderr();
  context.drawAttributedString(std::string("a\xff\xfe b\0c\xc3", 8), Rect{5, 5, 90, 40}, Font::system(12),
                               black);
  context.drawString(std::string("\xed\xa0\x80x", 4), Point{5, 30}, Font::system(12), black);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_GT(inkBox(context, 0, 0, 100, 50).count, 0);
}

TEST(FontInstalled, MetricAliasesCountAndUnknownFamiliesDoNot) {
  // Liberation Serif stands in for Times New Roman.
  for (const char* family : {"DejaVu Sans", "dejavu sans", "Liberation Serif", "Times New Roman"})
    EXPECT_TRUE(Font::isFamilyInstalled(family)) << family;
  for (const std::string& family :
       {std::string("Maravel No Such Family"), std::string(), std::string("Times\0New", 9)})
    EXPECT_FALSE(Font::isFamilyInstalled(family));
}

TEST(DrawingContextPNG, BytesAndFilesRoundTrip) {
  DrawingContext context(Size{30, 20});
  context.fillRect(Rect{0, 0, 15, 20}, Color::calibratedRGB(0.12, 0.45, 0.88));
  context.fillRect(Rect{15, 10, 15, 10}, Color::calibratedRGB(0.9, 0.3, 0.1, 0.4));  // half see-through
  const auto png = context.pngData();
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin(), png.begin() + 4), "\x89PNG");

  const auto path = std::filesystem::temp_directory_path() / "maravel_drawing_context_test.png";
  ASSERT_TRUE(context.writePNG(path));
  const auto read = DrawingContext::readPNG(path);
  std::filesystem::remove(path);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->pixelWidth(), 30);
  EXPECT_EQ(read->pixelHeight(), 20);
  EXPECT_EQ(read->pngData(), png);  // the encoding is lossless, so equal bytes are equal pixels
  EXPECT_EQ(read->pixel(20, 5).alpha, 0);
  EXPECT_FALSE(DrawingContext::readPNG("/nonexistent/maravel.png").has_value());
  EXPECT_FALSE(DrawingContext(Size{4, 4}).writePNG("/nonexistent/maravel.png"));
}

// Pictures are known by their first bytes and sized by their headers, a
// GIF by its screen and first frame; anything else is no picture.
TEST(PictureDecoderTest, FormatAndSizeFromTheHeaderOnly) {
  using detail::PictureDecoder;
  using detail::PictureFormat;
  const auto bytes = [](std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (const int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
  };
  const std::vector<std::uint8_t> gifFrame = {0x2C, 0, 0, 2, 0, 5, 0, 4, 0, 0, 2, 1, 0, 0};
  std::vector<std::uint8_t> gif =
      bytes({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xF9, 1, 0, 0});
  gif.insert(gif.end(), gifFrame.begin(), gifFrame.end());
  const std::size_t firstFrameEnd = gif.size();
  gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 0, 0x3B});  // a huge second frame
  const struct {
    std::vector<std::uint8_t> in;
    std::optional<std::tuple<PictureFormat, std::uint32_t, std::uint32_t, std::uint64_t>> expected;
  } cases[] = {
      {bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 3, 0, 0, 0, 2}),
       std::tuple(PictureFormat::png, 3, 2, 6)},
      {bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xFF, 0xC2, 0, 17, 8, 0, 2, 0, 3}),
       std::tuple(PictureFormat::jpeg, 3, 2, 6)},
      {gif, std::tuple(PictureFormat::gif, 5, 6, 50)},  // the frame reaches past the screen
      {bytes({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}),
       std::tuple(PictureFormat::bmp, 3, 2, 6)},  // drawn top-down
      {bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 0, 0, 0, 0, 2}),
       {}},
      {bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0}), {}},  // no frame header
      {bytes({'P', '6', '\n', '9', ' ', '9', '\n', '2', '5', '5', '\n'}), {}},
      {bytes({'<', 's', 'v', 'g', ' ', 'w', 'i', 'd', 't', 'h', '=', '1', '>'}), {}},
      {std::vector<std::uint8_t>(gif.begin(), gif.begin() + 20), {}}};
  for (const auto& c : cases) {
    const auto header = PictureDecoder::inspect(c.in);
    ASSERT_EQ(header.has_value(), c.expected.has_value()) << c.in.size();
    if (header) {
      EXPECT_EQ(std::tuple(header->format, header->width, header->height, header->pixels), *c.expected);
    }
  }
  EXPECT_EQ(PictureDecoder::inspect(gif)->decodedBytes, firstFrameEnd);
}

}  // namespace
}  // namespace maravel::drawing
