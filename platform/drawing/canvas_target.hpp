// What a PageCanvas emits, and where it goes (internal to platform/drawing).
//
// The canvas does the work both outputs share (shaping, clusters, faces for
// missing glyphs, fitting a picture); a target turns its marks into cairo
// drawing or into PDF content. Coordinates are points from the page's
// top-left corner, y downwards.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/drawing/drawing_context.hpp"

namespace maravel::fonts {
class FontFace;
}

namespace maravel::drawing::detail {

// One glyph of a run at its pen position on the baseline.
struct PlacedGlyph {
  std::uint32_t glyph = 0;
  double x = 0;
};

// `bytes` of the run's text drawn by the next `glyphs` glyphs (none for a
// character another face draws).
struct TextCluster {
  std::uint32_t bytes = 0;
  std::uint32_t glyphs = 0;
};

// Glyphs of one face on one baseline with the text they stand for (valid
// UTF-8), cluster by cluster in order.
struct GlyphRun {
  double size = 12;
  double baseline = 0;
  Color color;
  std::string_view text;
  std::vector<PlacedGlyph> glyphs;
  std::vector<TextCluster> clusters;
};

class CanvasTarget {
 public:
  virtual ~CanvasTarget() = default;
  // `face` lives as long as the canvas's resources; a face without a font
  // file shows nothing.
  virtual void showGlyphs(const fonts::FontFace& face, const GlyphRun& run) = 0;
  // A rectangle of some area.
  virtual void fillRect(const Rect& rect, const Color& color) = 0;
  // A line of some width, centred on the segment, with butt ends.
  virtual void drawLine(Point from, Point to, double width, const Color& color) = 0;
  // The picture of `base64` fitted into `rect` (some area) with
  // fittedPicture; nothing when it does not decode or is past the budget.
  virtual void drawPicture(std::string_view base64, const Rect& rect) = 0;
};

// Where a picture of `width` by `height` pixels goes in `rect`: scaled to
// fit with its proportions kept, centred.
Rect fittedPicture(double width, double height, const Rect& rect);

}  // namespace maravel::drawing::detail
