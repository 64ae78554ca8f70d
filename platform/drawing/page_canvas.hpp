// Drawing one paper page: text set glyph by glyph from the same font files
// and advances the layout measured, lines, rectangles and pictures, on a
// cairo context that a print job owns or into a page of a PdfDocument.
//
// Coordinates are in points from the page's top-left corner, y downwards.
// Text stays text: a PDF drawn through a canvas can be searched, selected
// and copied. A canvas and its resources belong to one thread; nothing
// throws, and what cannot be drawn (a picture that does not decode, a face
// without a font file) is left out.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/drawing/drawing_context.hpp"
#include "platform/fonts/font_face.hpp"

namespace maravel::drawing {

// A face to set text in: an installed family (as the font book resolved
// it), its traits and size. The family is only read during the call it is
// given to: a text drawn does not copy it.
struct TextStyle {
  std::string_view family;
  double size = 12;
  bool bold = false;
  bool italic = false;
  Color color;
  // Text of one level of the bidirectional algorithm is shaped in that
  // level's direction; other text in the one its script has.
  fonts::TextDirection direction = fonts::TextDirection::fromText;
};

// Fonts and decoded pictures shared by the pages of one document, so that a
// face or a picture used on every page is loaded, and embedded, once.
//
// The pictures of one document together decode to at most `picturePixels`
// pixels; the pictures past that are left out. A document file of N bytes
// is given picturePixelsFor(N): a few kilobytes of compressed pictures must
// not cost minutes of decoding, while a real picture of N bytes holds a
// small part of 64 N pixels (a scanned page at 300 dpi: 9 pixels a byte).
class CanvasResources {
 public:
  static constexpr std::uint64_t kPictureAllowance = 16'000'000;
  static constexpr std::uint64_t kPicturePixelsPerFileByte = 64;
  static std::uint64_t picturePixelsFor(std::size_t fileBytes);

  explicit CanvasResources(std::uint64_t picturePixels = kPictureAllowance);
  ~CanvasResources();
  CanvasResources(const CanvasResources&) = delete;
  CanvasResources& operator=(const CanvasResources&) = delete;

  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

namespace detail {
class CanvasTarget;
}

class PageCanvas {
 public:
  // Draws on `cairoContext`, a cairo_t* that stays owned by the caller and
  // must outlive the canvas, as must `resources`.
  PageCanvas(void* cairoContext, CanvasResources& resources);
  // Hands its marks to `target` (how a PdfDocument writes its pages), which
  // must outlive the canvas, as must `resources`.
  PageCanvas(detail::CanvasTarget& target, CanvasResources& resources);
  ~PageCanvas();
  PageCanvas(const PageCanvas&) = delete;
  PageCanvas& operator=(const PageCanvas&) = delete;

  // `text` (UTF-8, one line, no tabs) with its baseline starting at
  // `origin`. Every space (U+0020) advances `spaceExtra` points more than
  // the font says, which is how justified lines are set. Text larger than
  // kMaxTextSize points is not drawn: no paper is that large, and FreeType
  // refuses sizes from 65,536 points on, which would leave the whole
  // document undrawable.
  // `glyphs`, when given, are the text's glyphs as a FontFace of this style
  // shaped them (clusters counted from the text's start), so that a text
  // just measured is not shaped again; they are used when the text is
  // valid UTF-8 and every cluster lies inside it. Glyphs whose clusters
  // descend (text set right to left) stand for their clusters' text in the
  // order they are drawn.
  void drawText(std::string_view text, Point origin, const TextStyle& style, double spaceExtra = 0,
                std::span<const fonts::ShapedGlyph> glyphs = {});
  static constexpr double kMaxTextSize = 4096;

  void fillRect(const Rect& rect, const Color& color);
  // A straight line of the given width centred on the segment.
  void drawLine(Point from, Point to, double width, const Color& color);

  // A picture given as base64 text of a PNG, JPEG, GIF or BMP file (known
  // by its first bytes; nothing else is decoded), scaled to fit `rect` with
  // its proportions kept and centred in it. JPEG files go into a PDF as they
  // are. A picture of more than 50 million pixels is not drawn, nor one
  // past the pixels its resources allow.
  void drawImage(std::string_view base64, const Rect& rect);

 private:
  void drawJoined(std::string_view drawn, const std::vector<std::pair<std::size_t, double>>& missing,
                  double baseline, const TextStyle& style);
  std::unique_ptr<detail::CanvasTarget> ownTarget_;
  detail::CanvasTarget& target_;
  CanvasResources& resources_;
};

}  // namespace maravel::drawing
