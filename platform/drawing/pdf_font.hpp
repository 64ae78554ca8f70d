// One font file embedded in a PDF (internal to platform/drawing): a subset
// of the glyphs the pages show, as a Type0 font with Identity-H encoding
// whose codes are the font's glyph indices, each glyph's advance in /W and
// its text in a /ToUnicode CMap, so that the text can be searched and
// copied.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drawing/pdf_file.hpp"
#include "platform/fonts/font_face.hpp"

// HarfBuzz's own declaration, so that this header needs no HarfBuzz include path.
typedef struct hb_face_t hb_face_t;
typedef struct hb_font_t hb_font_t;

namespace maravel::drawing::detail {

class PdfFont {
 public:
  // The face `file` names, written as object `number`; `serial` tells the
  // document's subsets apart. usable() is false when the file cannot be read.
  PdfFont(const fonts::FaceFile& file, int number, int serial);
  ~PdfFont();
  PdfFont(const PdfFont&) = delete;
  PdfFont& operator=(const PdfFont&) = delete;

  bool usable() const { return face_ != nullptr; }
  int number() const { return number_; }

  // The advance of `glyph` in thousandths of an em, as /W gives it.
  double width(std::uint32_t glyph) {
    return glyph < widths_.size() && widths_[glyph] >= 0 ? widths_[glyph] : measure(glyph);
  }

  // Puts `glyph` into the subset, standing for `text` (valid UTF-8, may be
  // empty). False when the glyph already stands for other text: the text
  // must then be given beside it (an /ActualText span).
  bool use(std::uint32_t glyph, std::string_view text) {
    // Most glyphs were met before with the same text, of a byte or two:
    // compared here rather than through a call to memcmp.
    if (glyph < used_.size() && used_[glyph] != 0) {
      const std::string& known = texts_[used_[glyph] - 1];
      bool same = known.size() == text.size();
      for (std::size_t i = 0; same && i < text.size(); ++i) same = known[i] == text[i];
      if (same) return true;
    }
    return firstUse(glyph, text);
  }

  // Whether `glyph` is in the subset standing for the one byte `byte`, as
  // use(glyph, that byte) would find: most glyphs of a text, in one look-up.
  bool usedAs(std::uint32_t glyph, char byte) const {
    return glyph < byteOf_.size() && byteOf_[glyph] == static_cast<unsigned char>(byte);
  }

  // Writes the font's objects: the subset, its descriptor, its widths and
  // its CMap.
  void write(PdfFile& file);

 private:
  double measure(std::uint32_t glyph);
  bool firstUse(std::uint32_t glyph, std::string_view text);
  std::string toUnicode() const;
  std::string widths();

  hb_face_t* face_ = nullptr;
  hb_font_t* font_ = nullptr;
  int number_;
  int serial_;
  unsigned unitsPerEm_ = 1000;
  unsigned glyphCount_ = 0;
  // By glyph: 0 when unused, else 1 + the index of its text in texts_.
  std::vector<std::uint32_t> used_;
  std::vector<std::string> texts_;
  // By glyph: the byte it stands for when its text is one byte, else -1.
  std::vector<std::int16_t> byteOf_;
  // By glyph: its /W advance, negative until asked for.
  std::vector<double> widths_;
};

}  // namespace maravel::drawing::detail
