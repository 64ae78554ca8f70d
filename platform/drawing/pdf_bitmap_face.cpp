#include "platform/drawing/pdf_bitmap_face.hpp"

#include <hb-ot.h>
#include <hb.h>

#include <algorithm>

#include "platform/fonts/font_file.hpp"

namespace maravel::drawing::detail {

namespace {

bool hasTable(hb_face_t* face, hb_tag_t tag) {
  hb_blob_t* table = hb_face_reference_table(face, tag);
  const bool has = hb_blob_get_length(table) > 0;
  hb_blob_destroy(table);
  return has;
}

}  // namespace

std::unique_ptr<PdfBitmapFace> PdfBitmapFace::open(const fonts::FaceFile& file) {
  hb_blob_t* blob = fonts::readFontFile(file.path);
  if (blob == nullptr) return nullptr;
  hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(std::max(file.index, 0)));
  hb_blob_destroy(blob);
  const bool pictures = hb_ot_color_has_png(face) && !hasTable(face, HB_TAG('g', 'l', 'y', 'f')) &&
                        !hasTable(face, HB_TAG('C', 'F', 'F', ' ')) &&
                        !hasTable(face, HB_TAG('C', 'F', 'F', '2'));
  if (!pictures || hb_face_get_upem(face) == 0) {
    hb_face_destroy(face);
    return nullptr;
  }
  hb_font_t* font = hb_font_create(face);
  hb_face_destroy(face);
  const int upem = static_cast<int>(hb_face_get_upem(hb_font_get_face(font)));
  hb_font_set_scale(font, upem, upem);
  return std::unique_ptr<PdfBitmapFace>(new PdfBitmapFace(font));
}

PdfBitmapFace::~PdfBitmapFace() { hb_font_destroy(font_); }

std::optional<PdfBitmapFace::Glyph> PdfBitmapFace::glyph(std::uint32_t glyph) const {
  hb_glyph_extents_t extents{};
  if (!hb_font_get_glyph_extents(font_, glyph, &extents) || extents.width <= 0 || extents.height >= 0)
    return std::nullopt;
  hb_blob_t* png = hb_ot_color_glyph_reference_png(font_, glyph);
  unsigned length = 0;
  const char* data = hb_blob_get_data(png, &length);
  Glyph found;
  found.png.assign(data, data + length);
  hb_blob_destroy(png);
  if (found.png.empty()) return std::nullopt;
  const double em = hb_face_get_upem(hb_font_get_face(font_));
  found.left = extents.x_bearing / em;
  found.top = extents.y_bearing / em;
  found.width = extents.width / em;
  found.height = -extents.height / em;
  return found;
}

}  // namespace maravel::drawing::detail
