// A canvas's marks drawn on a cairo context (internal to platform/drawing):
// what a print job draws, text as glyphs with their text.
#pragma once

#include <cairo.h>

#include "platform/drawing/canvas_resources.hpp"
#include "platform/drawing/canvas_target.hpp"

namespace maravel::drawing::detail {

class CairoCanvasTarget final : public CanvasTarget {
 public:
  // `cr` and `resources` must outlive the target.
  CairoCanvasTarget(cairo_t* cr, CanvasResources::Impl& resources) : cr_(cr), resources_(resources) {}

  void showGlyphs(const fonts::FontFace& face, const GlyphRun& run) override;
  void fillRect(const Rect& rect, const Color& color) override;
  void drawLine(Point from, Point to, double width, const Color& color) override;
  void drawPicture(std::string_view base64, const Rect& rect) override;

 private:
  cairo_t* cr_;
  CanvasResources::Impl& resources_;
};

}  // namespace maravel::drawing::detail
