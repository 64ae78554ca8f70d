// Font families and text widths for the page writer.
//
// One FontBook per page. family() resolves a document's family text to an
// installed family; width() measures text the way the page draws it, with
// kerning and ligatures off. Not shared between threads; nothing throws.
//
// Families come from fontconfig, the configuration the browser drawing the
// page matches through too. A family that is not installed but that
// fontconfig answers with a metric-compatible face (its strongly bound
// aliases: "Times New Roman" with Liberation Serif, "Arial" with Liberation
// Sans, "Courier New" with Liberation Mono, "Calibri" with Carlito, "Cambria"
// with Caladea) resolves to the name the document uses: the page asks for
// that name, the browser draws the compatible face, and the widths here are
// measured in that same face.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/udf_document.hpp"
#include "platform/fonts/font_face.hpp"

namespace maravel {

class FontBook {
 public:
  FontBook();
  ~FontBook();
  FontBook(const FontBook&) = delete;
  FontBook& operator=(const FontBook&) = delete;

  // Lower-cased family name to the family name as installed (every name the
  // font configuration lists); loaded on first use, empty when the list
  // cannot be read.
  const std::unordered_map<std::string, std::string>& installed();

  // Families neither installed nor logical are looked up among fontconfig's
  // metric-compatible aliases and generic families at most this often per
  // book (real documents name a handful); later ones are classed by their
  // names alone.
  static constexpr int kMaxAliasLookups = 64;

  // The family to use for a document's family text ("serif", "Arial",
  // "'Arial Narrow', Arial", ...). The logical names give "Times New Roman",
  // "Courier New" or "Arial". A family neither installed nor answered with a
  // metric-compatible face keeps its class: "Times New Roman" (drawn in
  // Liberation Serif) for a serif family, "Courier New" for a monospaced
  // one, as fontconfig files the name or as its words tell ("Century751 B",
  // "Book Antiqua"), else "Arial". Cached by the exact text asked.
  std::string family(const std::string& name);

  // The face for the run's family, bold and italic at `size` points, cached
  // by "Family|12.0|true|false". A trait the family has no face for leaves
  // the plain face. The reference lives as long as the book.
  const fonts::FontFace& font(const TextRun& run, double size);

  // A face that has a glyph for `character`, for text the run's own face
  // lacks it in, as the browser falls back (see FaceCache); cached by the
  // character, size and traits.
  const fonts::FontFace& fallbackFont(char32_t character, const TextRun& run, double size);

  // The family to name in a document for other programs, which find fonts
  // their own way: the first name of the document's family text without
  // quotes, the logical names as family() gives them, every other name as
  // written (installed here or not).
  static std::string documentFamily(const std::string& name);

  // Advance width in points of `text` in font(run, size); 0 for "" without
  // creating a font.
  double width(std::string_view text, const TextRun& run, double size);

  // The number as the font key writes it: shortest round trip with at least
  // one fractional digit ("12.0", "10.5", "10.666666666666666").
  static std::string keyNumber(double value);

 private:
  std::string lookUp(const std::string& trimmed);

  fonts::FaceCache faces_;
  std::unordered_map<std::string, std::unique_ptr<fonts::FontFace>> fonts_;
  std::unordered_map<std::string, std::unique_ptr<fonts::FontFace>> fallbacks_;
  std::unordered_map<std::string, std::string> resolved_;
  std::optional<std::unordered_map<std::string, std::string>> installed_;
  int aliasLookups_ = 0;
  // The face font() gave last and what it was asked for: runs of one face
  // follow one another, and the lookup builds and hashes a key.
  struct LastFace {
    std::string familyText;
    double size = 0;
    bool bold = false;
    bool italic = false;
    const fonts::FontFace* face = nullptr;
  } last_;
};

}  // namespace maravel
