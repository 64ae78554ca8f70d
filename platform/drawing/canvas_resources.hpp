// The fonts and pictures a document's canvases share (internal to
// platform/drawing).
#pragma once

#include <cairo.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/drawing/canvas_target.hpp"
#include "platform/drawing/page_canvas.hpp"
#include "platform/drawing/picture_decoder.hpp"
#include "platform/fonts/font_face.hpp"

namespace maravel::drawing {

struct CanvasResources::Impl {
  fonts::FaceCache faces;
  // Found without copying the family: a key compares with a tuple of a
  // string_view.
  struct StyleOrder {
    using is_transparent = void;
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const {
      return std::make_tuple(std::string_view(std::get<0>(a)), std::get<1>(a), std::get<2>(a),
                             std::get<3>(a)) < std::make_tuple(std::string_view(std::get<0>(b)),
                                                               std::get<1>(b), std::get<2>(b),
                                                               std::get<3>(b));
    }
  };
  std::map<std::tuple<std::string, double, bool, bool>, std::unique_ptr<fonts::FontFace>, StyleOrder> shapers;
  std::map<std::tuple<char32_t, double, bool, bool>, std::unique_ptr<fonts::FontFace>> fallbacks;
  // cairo's objects are let go of through the pointer they are made with,
  // never named here: a program that draws only PDF is linked without cairo.
  template <typename T>
  using CairoPointer = std::unique_ptr<T, void (*)(T*)>;
  std::map<std::pair<std::string, int>, CairoPointer<cairo_font_face_t>> fontFaces;
  // Unhinted, so that glyphs keep the advances the layout measured.
  std::map<std::pair<cairo_font_face_t*, double>, CairoPointer<cairo_scaled_font_t>> scaledFonts;
  // The last pictures drawn, decoded, by their base64 text (nothing decoded
  // for one that does not decode), the latest last: a picture on every page
  // is decoded once, and a document of thousands holds only a few at a time.
  struct Picture {
    std::string base64;
    std::optional<detail::DecodedPicture> decoded;
    // The file of a JPEG decoded at its own size: a PDF carries it as it is.
    std::vector<std::uint8_t> jpeg;
    // The cairo surface the cairo target makes of the pixels when it first
    // draws them (then it holds them, and `decoded` keeps only the size).
    std::shared_ptr<void> surface;
  };
  static constexpr std::size_t kKeptPictures = 8;
  std::vector<Picture> pictures;
  std::uint64_t picturePixelsLeft;
  // A text's glyphs and clusters, kept from text to text so that drawing a
  // line allocates nothing once the longest line has been drawn.
  std::vector<detail::PlacedGlyph> runGlyphs;
  std::vector<detail::TextCluster> runClusters;

  explicit Impl(std::uint64_t picturePixels) : picturePixelsLeft(picturePixels) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  const fonts::FontFace& shaper(const TextStyle& style);
  const fonts::FontFace& fallback(char32_t character, const TextStyle& style);
  // The cairo face drawing from exactly the file the shaper measured; null
  // when cairo cannot load it.
  cairo_font_face_t* fontFace(const fonts::FaceFile& file);
  cairo_scaled_font_t* scaledFont(cairo_font_face_t* face, double size);
  // The picture decoded, or null when it does not decode or is past the
  // budget. Owned by the resources until kKeptPictures others have been
  // asked for.
  Picture* picture(std::string_view base64);

 private:
  // True when the picture's pixels fit what is left, counted against it.
  bool affordable(const std::vector<std::uint8_t>& bytes);
};

}  // namespace maravel::drawing
