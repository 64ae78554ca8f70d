// A small drawing context over cairo and pango: what the thumbnail needs of a
// two-dimensional drawing API and nothing more.
//
// The context owns an image surface of whole pixels, transparent at the start.
// Coordinates are in points, one point per pixel; the y axis runs downwards
// (y = 0 is the top edge). Text sizes are in points as well (pango runs at
// 72 dpi here), so a 10.67-point font is 10.67 pixels high.
//
// A context belongs to one thread at a time. Nothing here throws or logs: a
// surface that cannot be written reports false or an empty result.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maravel::drawing {

struct Point {
  double x = 0;
  double y = 0;
};

struct Size {
  double width = 0;
  double height = 0;
};

// (x, y, width, height), y downwards.
struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// Components from 0 to 1, not premultiplied.
struct Color {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;

  static Color calibratedRGB(double red, double green, double blue, double alpha = 1) {
    return {red, green, blue, alpha};
  }
  static Color calibratedWhite(double white, double alpha = 1) { return {white, white, white, alpha}; }
};

// A font request: a family name resolved by fontconfig, or the system font.
struct Font {
  std::string family;  // handed to pango as one family name
  double size = 12;    // points
  bool bold = false;

  static Font named(std::string family, double size, bool bold = false) {
    return {std::move(family), size, bold};
  }
  // The system font is pango's "sans" (DejaVu Sans on a stock Debian).
  static Font system(double size, bool bold = false) { return {"sans", size, bold}; }

  // True when fontconfig has the family itself or a metric-compatible face
  // bound strongly to its name (Times New Roman -> Liberation Serif counts).
  static bool isFamilyInstalled(std::string_view family);
};

// One pixel, not premultiplied.
struct Pixel {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t alpha = 0;
};

class DrawingContext {
 public:
  // Largest side in pixels; larger requests are clamped to it, sides below 1
  // become 1.
  static constexpr int maximumSide = 8192;

  // A transparent surface of ceil(width) x ceil(height) pixels.
  explicit DrawingContext(Size size);
  ~DrawingContext();
  DrawingContext(DrawingContext&&) noexcept;
  DrawingContext& operator=(DrawingContext&&) noexcept;
  DrawingContext(const DrawingContext&) = delete;
  DrawingContext& operator=(const DrawingContext&) = delete;

  // Reads a PNG file into a new context; nothing when it is not a readable PNG.
  static std::optional<DrawingContext> readPNG(const std::filesystem::path& path);

  int pixelWidth() const;
  int pixelHeight() const;

  // Fills the rectangle, compositing source-over.
  void fillRect(const Rect& rect, const Color& color);
  // Strokes the rectangle's outline centred on its edges.
  void strokeRect(const Rect& rect, const Color& color, double lineWidth);
  // Fills a rectangle whose corners are quarter ellipses of the given radii.
  void fillRoundedRect(const Rect& rect, double xRadius, double yRadius, const Color& color);

  // Text without wrapping whose first line box has its top-left corner at the
  // point; line breaks start new lines. Invalid UTF-8 is replaced by U+FFFD.
  void drawString(std::string_view string, const Point& point, const Font& font, const Color& color);
  // Text laid out left-aligned from the rectangle's top-left corner, wrapped at
  // word boundaries (inside a word when one word is wider than the rectangle),
  // line breaks honoured; nothing is drawn outside the rectangle.
  void drawAttributedString(std::string_view string, const Rect& rect, const Font& font, const Color& color);

  // The pixel at (x, y); a transparent pixel outside the surface.
  Pixel pixel(int x, int y) const;

  // The surface as PNG bytes; empty on failure.
  std::vector<std::uint8_t> pngData() const;
  // Writes the surface as a PNG file; false on failure.
  bool writePNG(const std::filesystem::path& path) const;

 private:
  struct Impl;
  explicit DrawingContext(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace maravel::drawing
