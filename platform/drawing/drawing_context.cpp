#include "platform/drawing/drawing_context.hpp"

#include <cairo.h>
#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <utility>

#include "platform/drawing/glyph_line.hpp"
#include "platform/drawing/png_writer.hpp"
#include "platform/fonts/font_face.hpp"

namespace maravel::drawing {

namespace {

int clampedSide(double side) {
  if (!(side >= 1)) return 1;  // also catches NaN
  if (side >= DrawingContext::maximumSide) return DrawingContext::maximumSide;
  return static_cast<int>(std::ceil(side));
}

void setSource(cairo_t* cr, const Color& color) {
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
}

// Pango warns on stderr about invalid UTF-8; hand it only valid text. A NUL
// byte would end the text early, so it is replaced as well.
std::string validUTF8(std::string_view string) {
  std::string text;
  text.reserve(string.size());
  for (char c : string) {
    if (c == '\0') {
      text += "\xEF\xBF\xBD";
    } else {
      text += c;
    }
  }
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  gchar* fixed = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string result(fixed);
  g_free(fixed);
  return result;
}

// A layout for the context's surface at 72 dpi, so points and pixels agree,
// with unhinted metrics so fractional sizes lay out at their true widths.
PangoLayout* makeLayout(cairo_t* cr, std::string_view string, const Font& font) {
  // Before pango's first font map: it then finds the configuration loaded.
  [[maybe_unused]] static const bool shared = fonts::shareConfiguration();
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoContext* context = pango_layout_get_context(layout);
  pango_cairo_context_set_resolution(context, 72);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout);

  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, font.family.c_str());
  const double size = std::clamp(font.size, 0.0, 4096.0);
  pango_font_description_set_size(description, static_cast<gint>(std::lround(size * PANGO_SCALE)));
  pango_font_description_set_weight(description, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);

  const std::string text = validUTF8(string);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  return layout;
}

std::uint8_t unpremultiplied(std::uint32_t component, std::uint32_t alpha) {
  if (alpha == 0) return 0;
  return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (component * 255 + alpha / 2) / alpha));
}

}  // namespace

bool Font::isFamilyInstalled(std::string_view family) {
  if (family.find('\0') != std::string_view::npos) return false;
  return fonts::isFamilyAvailable(std::string(family));
}

struct DrawingContext::Impl {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;

  explicit Impl(cairo_surface_t* s) : surface(s), cr(cairo_create(s)) {}
  ~Impl() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
};

DrawingContext::DrawingContext(Size size)
    : impl_(std::make_unique<Impl>(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, clampedSide(size.width),
                                                              clampedSide(size.height)))) {}

DrawingContext::DrawingContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DrawingContext::~DrawingContext() = default;
DrawingContext::DrawingContext(DrawingContext&&) noexcept = default;
DrawingContext& DrawingContext::operator=(DrawingContext&&) noexcept = default;

std::optional<DrawingContext> DrawingContext::readPNG(const std::filesystem::path& path) {
  cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(png);
    return std::nullopt;
  }
  // Copy into an ARGB32 surface so that pixel() reads one format only.
  DrawingContext context(Size{static_cast<double>(cairo_image_surface_get_width(png)),
                              static_cast<double>(cairo_image_surface_get_height(png))});
  cairo_set_source_surface(context.impl_->cr, png, 0, 0);
  cairo_set_operator(context.impl_->cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(context.impl_->cr);
  cairo_set_operator(context.impl_->cr, CAIRO_OPERATOR_OVER);
  cairo_surface_destroy(png);
  return context;
}

int DrawingContext::pixelWidth() const { return impl_ ? cairo_image_surface_get_width(impl_->surface) : 0; }
int DrawingContext::pixelHeight() const { return impl_ ? cairo_image_surface_get_height(impl_->surface) : 0; }

void DrawingContext::fillRect(const Rect& rect, const Color& color) {
  if (!impl_) return;
  cairo_t* cr = impl_->cr;
  cairo_new_path(cr);
  cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
  setSource(cr, color);
  cairo_fill(cr);
}

void DrawingContext::strokeRect(const Rect& rect, const Color& color, double lineWidth) {
  if (!impl_) return;
  cairo_t* cr = impl_->cr;
  cairo_new_path(cr);
  cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
  setSource(cr, color);
  cairo_set_line_width(cr, lineWidth);
  cairo_stroke(cr);
}

void DrawingContext::fillRoundedRect(const Rect& rect, double xRadius, double yRadius, const Color& color) {
  if (!impl_) return;
  const double rx = std::clamp(xRadius, 0.0, rect.width / 2);
  const double ry = std::clamp(yRadius, 0.0, rect.height / 2);
  if (!(rx > 0 && ry > 0)) {
    fillRect(rect, color);
    return;
  }
  cairo_t* cr = impl_->cr;
  cairo_new_path(cr);
  const auto corner = [&](double cx, double cy, double from, double to) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, from, to);
    cairo_restore(cr);
  };
  const double right = rect.x + rect.width;
  const double bottom = rect.y + rect.height;
  corner(right - rx, rect.y + ry, -std::numbers::pi / 2, 0);
  corner(right - rx, bottom - ry, 0, std::numbers::pi / 2);
  corner(rect.x + rx, bottom - ry, std::numbers::pi / 2, std::numbers::pi);
  corner(rect.x + rx, rect.y + ry, std::numbers::pi, 3 * std::numbers::pi / 2);
  cairo_close_path(cr);
  setSource(cr, color);
  cairo_fill(cr);
}

void DrawingContext::drawString(std::string_view string, const Point& point, const Font& font,
                                const Color& color) {
  if (!impl_) return;
  cairo_t* cr = impl_->cr;
  setSource(cr, color);
  if (drawGlyphLine(cr, string, point, font)) return;
  PangoLayout* layout = makeLayout(cr, string, font);
  cairo_move_to(cr, point.x, point.y);
  pango_cairo_show_layout(cr, layout);
  cairo_new_path(cr);
  g_object_unref(layout);
}

void DrawingContext::drawAttributedString(std::string_view string, const Rect& rect, const Font& font,
                                          const Color& color) {
  if (!impl_ || !(rect.width > 0) || !(rect.height > 0)) return;
  cairo_t* cr = impl_->cr;
  PangoLayout* layout = makeLayout(cr, string, font);
  pango_layout_set_width(layout, static_cast<int>(std::min(rect.width, 1.0e5) * PANGO_SCALE));
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
  cairo_save(cr);
  cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
  cairo_clip(cr);
  setSource(cr, color);
  cairo_move_to(cr, rect.x, rect.y);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  cairo_new_path(cr);
  g_object_unref(layout);
}

Pixel DrawingContext::pixel(int x, int y) const {
  if (!impl_ || x < 0 || y < 0 || x >= pixelWidth() || y >= pixelHeight()) return {};
  cairo_surface_flush(impl_->surface);
  const unsigned char* data = cairo_image_surface_get_data(impl_->surface);
  if (data == nullptr) return {};
  const int stride = cairo_image_surface_get_stride(impl_->surface);
  std::uint32_t argb = 0;
  std::copy_n(
      data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x) * 4,
      4, reinterpret_cast<unsigned char*>(&argb));
  const std::uint32_t alpha = argb >> 24;
  return {unpremultiplied((argb >> 16) & 0xFF, alpha), unpremultiplied((argb >> 8) & 0xFF, alpha),
          unpremultiplied(argb & 0xFF, alpha), static_cast<std::uint8_t>(alpha)};
}

std::vector<std::uint8_t> DrawingContext::pngData() const {
  if (!impl_) return {};
  cairo_surface_flush(impl_->surface);
  return detail::encodePNG(
      cairo_image_surface_get_data(impl_->surface), cairo_image_surface_get_width(impl_->surface),
      cairo_image_surface_get_height(impl_->surface), cairo_image_surface_get_stride(impl_->surface));
}

bool DrawingContext::writePNG(const std::filesystem::path& path) const {
  const std::vector<std::uint8_t> png = pngData();
  if (png.empty()) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  file.close();
  return !file.fail();
}

}  // namespace maravel::drawing
