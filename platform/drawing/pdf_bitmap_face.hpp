// A face whose glyphs are pictures only (internal to platform/drawing): the
// colour emoji faces keep a PNG for each glyph (in a CBDT or sbix table)
// and no outlines. Embedded as a font, such a face shows nothing in PDF
// readers, which draw outlines only; its glyphs go into a PDF as pictures.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/fonts/font_face.hpp"

typedef struct hb_font_t hb_font_t;

namespace maravel::drawing::detail {

class PdfBitmapFace {
 public:
  // The glyph's PNG file and the box it fills, in ems from the pen on the
  // baseline: `left` to the right of the pen, `top` above the baseline.
  struct Glyph {
    std::vector<std::uint8_t> png;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
  };

  // The face `file` names when its glyphs are PNG pictures and it has no
  // outlines (no glyf, CFF or CFF2 table); nothing for every other face and
  // for a file that cannot be read.
  static std::unique_ptr<PdfBitmapFace> open(const fonts::FaceFile& file);
  ~PdfBitmapFace();
  PdfBitmapFace(const PdfBitmapFace&) = delete;
  PdfBitmapFace& operator=(const PdfBitmapFace&) = delete;

  // Nothing for a glyph without a picture, or an empty one.
  std::optional<Glyph> glyph(std::uint32_t glyph) const;

 private:
  explicit PdfBitmapFace(hb_font_t* font) : font_(font) {}
  hb_font_t* font_;
};

}  // namespace maravel::drawing::detail
