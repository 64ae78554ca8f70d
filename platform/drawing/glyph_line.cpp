#include "platform/drawing/glyph_line.hpp"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <hb.h>
#include <pango/pango.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/fonts/font_face.hpp"
#include "platform/fonts/font_file.hpp"
#include "platform/text/text.hpp"

namespace maravel::drawing {

namespace {

// An object of a C library with the function that releases it.
template <typename T>
using Owned = std::unique_ptr<T, void (*)(T*)>;

// Pango's own units: 1/1024 of a pixel at 72 dpi.
constexpr int kUnits = 1024;

// Printable ASCII and the Latin letters up to Latin Extended-B: one script
// item for pango, shaped left to right, with nothing a layout treats apart.
bool isPlainLatin(std::u16string_view characters) {
  return std::all_of(characters.begin(), characters.end(),
                     [](char16_t c) { return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x250); });
}

// The face pango's font map picks for the font: the same request (family,
// weight, slant, width, size at 72 dpi, pango's version), the same
// substitutions and the best match with its rendering settings.
Owned<FcPattern> matchFace(const Font& font, double size) {
  Owned<FcPattern> request(FcPatternCreate(), FcPatternDestroy);
  if (!request) return {nullptr, FcPatternDestroy};
  FcPatternAddString(request.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(font.family.c_str()));
  FcPatternAddDouble(request.get(), FC_WEIGHT, font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(request.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddDouble(request.get(), FC_WIDTH, FC_WIDTH_NORMAL);
  FcPatternAddDouble(request.get(), FC_SIZE, size);
  FcPatternAddDouble(request.get(), FC_PIXEL_SIZE, size);
  FcPatternAddDouble(request.get(), FC_DPI, 72);
  FcPatternAddInteger(request.get(), "pangoversion", pango_version());
  FcResult result = FcResultNoMatch;
  if (FcConfigSubstitute(nullptr, request.get(), FcMatchPattern) == FcTrue) {
    FcDefaultSubstitute(request.get());
    return {FcFontMatch(nullptr, request.get(), &result), FcPatternDestroy};
  }
  return {nullptr, FcPatternDestroy};
}

// Rounded to whole pixels, as pango places glyphs when it rounds positions.
int roundedUnits(hb_position_t units) { return (units + kUnits / 2) & ~(kUnits - 1); }

// The glyphs of `text` in the face of this file at this size, placed as
// pango places them with the top of the line at `point`: HarfBuzz's
// advances and offsets rounded to whole pixels, the baseline the face's
// ascender below the top. Nothing when the face lacks a glyph.
std::optional<std::vector<cairo_glyph_t>> shapeLine(std::string_view text, const char* file, int index,
                                                    double size, const Point& point) {
  const Owned<hb_blob_t> blob(fonts::readFontFile(file), hb_blob_destroy);
  if (!blob) return std::nullopt;
  const Owned<hb_face_t> face(hb_face_create(blob.get(), static_cast<unsigned>(index)), hb_face_destroy);
  const Owned<hb_font_t> font(hb_font_create(face.get()), hb_font_destroy);
  const int scale = static_cast<int>(std::lround(size * kUnits));
  hb_font_set_scale(font.get(), scale, scale);
  const Owned<hb_buffer_t> buffer(hb_buffer_create(), hb_buffer_destroy);
  hb_buffer_add_utf8(buffer.get(), text.data(), static_cast<int>(text.size()), 0,
                     static_cast<int>(text.size()));
  hb_buffer_guess_segment_properties(buffer.get());
  hb_shape(font.get(), buffer.get(), nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
  hb_font_extents_t extents{};
  hb_font_get_h_extents(font.get(), &extents);

  const double baseline = point.y + static_cast<double>(extents.ascender) / kUnits;
  std::vector<cairo_glyph_t> glyphs(count);
  int pen = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (infos[i].codepoint == 0) return std::nullopt;
    glyphs[i] = {infos[i].codepoint,
                 point.x + static_cast<double>(pen + roundedUnits(positions[i].x_offset)) / kUnits,
                 baseline - static_cast<double>(roundedUnits(positions[i].y_offset)) / kUnits};
    pen += roundedUnits(positions[i].x_advance);
  }
  return glyphs;
}

}  // namespace

bool drawGlyphLine(cairo_t* cr, std::string_view text, const Point& point, const Font& font) {
  if (!text::isValidUTF8(text) || font.family.find(',') != std::string::npos) return false;
  const std::u16string characters = text::toUTF16(text);
  if (!isPlainLatin(characters)) return false;
  [[maybe_unused]] static const bool shared = fonts::shareConfiguration();
  // The size pango is given: whole 1/1024 points.
  const double size = static_cast<double>(std::lround(std::clamp(font.size, 0.0, 4096.0) * kUnits)) / kUnits;
  const Owned<FcPattern> face = matchFace(font, size);
  FcChar8* file = nullptr;
  int index = 0;
  FcCharSet* covered = nullptr;
  FcMatrix* matrix = nullptr;
  if (!face || FcPatternGetString(face.get(), FC_FILE, 0, &file) != FcResultMatch ||
      FcPatternGetCharSet(face.get(), FC_CHARSET, 0, &covered) != FcResultMatch ||
      FcPatternGetMatrix(face.get(), FC_MATRIX, 0, &matrix) == FcResultMatch)
    return false;
  if (!std::all_of(characters.begin(), characters.end(),
                   [covered](char16_t c) { return FcCharSetHasChar(covered, c) == FcTrue; }))
    return false;
  FcPatternGetInteger(face.get(), FC_INDEX, 0, &index);

  const std::optional<std::vector<cairo_glyph_t>> glyphs =
      shapeLine(text, reinterpret_cast<const char*>(file), index, size, point);
  if (!glyphs) return false;

  // The surface's font options with unhinted metrics, as pango merges them.
  const Owned<cairo_font_options_t> options(cairo_font_options_create(), cairo_font_options_destroy);
  cairo_surface_get_font_options(cairo_get_target(cr), options.get());
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  const Owned<cairo_font_face_t> cairoFace(cairo_ft_font_face_create_for_pattern(face.get()),
                                           cairo_font_face_destroy);
  cairo_matrix_t fontMatrix;
  cairo_matrix_t ctm;
  cairo_matrix_init_scale(&fontMatrix, size, size);
  cairo_get_matrix(cr, &ctm);
  const Owned<cairo_scaled_font_t> scaled(
      cairo_scaled_font_create(cairoFace.get(), &fontMatrix, &ctm, options.get()), cairo_scaled_font_destroy);
  if (cairo_scaled_font_status(scaled.get()) != CAIRO_STATUS_SUCCESS) return false;
  cairo_set_scaled_font(cr, scaled.get());
  cairo_show_glyphs(cr, glyphs->data(), static_cast<int>(glyphs->size()));
  return true;
}

}  // namespace maravel::drawing
