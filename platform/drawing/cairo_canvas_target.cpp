#include "platform/drawing/cairo_canvas_target.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace maravel::drawing::detail {

namespace {

void setSource(cairo_t* cr, const Color& color) {
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
}

// The picture's pixels as an image surface, which from then on holds them
// (a JPEG at its own size carries its file as cairo's JPEG mime data); null
// when cairo cannot make it.
std::shared_ptr<void> surfaceOf(CanvasResources::Impl::Picture& picture) {
  DecodedPicture& decoded = *picture.decoded;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, decoded.width, decoded.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  unsigned char* target = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const std::size_t rowBytes = std::size_t{4} * decoded.width;
  for (int y = 0; y < decoded.height; ++y)
    std::memcpy(target + static_cast<std::ptrdiff_t>(y) * stride,
                decoded.pixels.data() + static_cast<std::ptrdiff_t>(y) * decoded.width, rowBytes);
  cairo_surface_mark_dirty(surface);
  std::vector<std::uint32_t>().swap(decoded.pixels);
  if (!picture.jpeg.empty()) {
    auto* copy = static_cast<unsigned char*>(std::malloc(picture.jpeg.size()));
    if (copy != nullptr) {
      std::memcpy(copy, picture.jpeg.data(), picture.jpeg.size());
      cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG, copy, picture.jpeg.size(), std::free, copy);
    }
  }
  return {surface, [](void* made) { cairo_surface_destroy(static_cast<cairo_surface_t*>(made)); }};
}

}  // namespace

void CairoCanvasTarget::showGlyphs(const fonts::FontFace& face, const GlyphRun& run) {
  const std::optional<fonts::FaceFile> file = face.file();
  if (!file || run.clusters.empty()) return;
  cairo_font_face_t* fontFace = resources_.fontFace(*file);
  cairo_scaled_font_t* font = fontFace == nullptr ? nullptr : resources_.scaledFont(fontFace, run.size);
  if (font == nullptr) return;
  std::vector<cairo_glyph_t> glyphs;
  glyphs.reserve(run.glyphs.size());
  for (const PlacedGlyph& glyph : run.glyphs) glyphs.push_back({glyph.glyph, glyph.x, run.baseline});
  std::vector<cairo_text_cluster_t> clusters;
  clusters.reserve(run.clusters.size());
  for (const TextCluster& cluster : run.clusters)
    clusters.push_back({static_cast<int>(cluster.bytes), static_cast<int>(cluster.glyphs)});
  cairo_set_scaled_font(cr_, font);
  setSource(cr_, run.color);
  cairo_show_text_glyphs(cr_, run.text.data(), static_cast<int>(run.text.size()), glyphs.data(),
                         static_cast<int>(glyphs.size()), clusters.data(), static_cast<int>(clusters.size()),
                         cairo_text_cluster_flags_t{});
}

void CairoCanvasTarget::fillRect(const Rect& rect, const Color& color) {
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.x, rect.y, rect.width, rect.height);
  setSource(cr_, color);
  cairo_fill(cr_);
}

void CairoCanvasTarget::drawLine(Point from, Point to, double width, const Color& color) {
  cairo_new_path(cr_);
  cairo_move_to(cr_, from.x, from.y);
  cairo_line_to(cr_, to.x, to.y);
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  setSource(cr_, color);
  cairo_stroke(cr_);
}

void CairoCanvasTarget::drawPicture(std::string_view base64, const Rect& rect) {
  CanvasResources::Impl::Picture* kept = resources_.picture(base64);
  if (kept == nullptr) return;
  if (!kept->surface && !kept->decoded->pixels.empty()) kept->surface = surfaceOf(*kept);
  auto* picture = static_cast<cairo_surface_t*>(kept->surface.get());
  if (picture == nullptr) return;
  const double width = cairo_image_surface_get_width(picture);
  const double height = cairo_image_surface_get_height(picture);
  const Rect placed = fittedPicture(width, height, rect);
  cairo_save(cr_);
  cairo_translate(cr_, placed.x, placed.y);
  cairo_scale(cr_, placed.width / width, placed.height / height);
  cairo_set_source_surface(cr_, picture, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
  cairo_rectangle(cr_, 0, 0, width, height);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

}  // namespace maravel::drawing::detail
