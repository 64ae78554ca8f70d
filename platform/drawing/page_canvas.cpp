#include "platform/drawing/page_canvas.hpp"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/drawing/picture_decoder.hpp"
#include "platform/fonts/font_face.hpp"
#include "platform/text/text.hpp"

namespace maravel::drawing {

namespace {

cairo_t* context(void* cr) { return static_cast<cairo_t*>(cr); }

void setSource(cairo_t* cr, const Color& color) {
  cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
}

// The first glyph after i of another cluster: glyphs.size() when none.
std::size_t nextClusterGlyph(const std::vector<fonts::ShapedGlyph>& glyphs, std::size_t i) {
  std::size_t j = i + 1;
  while (j < glyphs.size() && glyphs[j].cluster == glyphs[i].cluster) ++j;
  return j;
}

// The length in bytes of the UTF-8 character at `at` of valid text.
std::size_t characterLength(std::string_view text, std::size_t at) {
  std::size_t end = at + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return end - at;
}

char32_t firstCodePoint(std::string_view character) {
  const auto byte = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(character[i]));
  };
  if (character.empty()) return 0;
  if (byte(0) < 0x80 || character.size() == 1) return byte(0);
  const std::size_t count = character.size();
  char32_t code = byte(0) & (0xFF >> (count + 1));
  for (std::size_t i = 1; i < count; ++i) code = (code << 6) | (byte(i) & 0x3F);
  return code;
}

// A JPEG decoded at its own size.
bool isFullSizeJPEG(const std::vector<std::uint8_t>& bytes, cairo_surface_t* decoded) {
  const std::optional<detail::PictureHeader> header = detail::PictureDecoder::inspect(bytes);
  return header && header->format == detail::PictureFormat::jpeg &&
         header->width == static_cast<std::uint32_t>(cairo_image_surface_get_width(decoded)) &&
         header->height == static_cast<std::uint32_t>(cairo_image_surface_get_height(decoded));
}

}  // namespace

struct CanvasResources::Impl {
  fonts::FaceCache faces;
  std::map<std::tuple<std::string, double, bool, bool>, std::unique_ptr<fonts::FontFace>> shapers;
  std::map<std::tuple<char32_t, double, bool, bool>, std::unique_ptr<fonts::FontFace>> fallbacks;
  std::map<std::pair<std::string, int>, cairo_font_face_t*> fontFaces;
  // Unhinted, so that glyphs keep the advances the layout measured.
  std::map<std::pair<cairo_font_face_t*, double>, cairo_scaled_font_t*> scaledFonts;
  // The last pictures drawn, decoded, by their base64 text (null for one
  // that does not decode), the latest last: a picture on every page is
  // decoded once, and a document of thousands holds only a few at a time.
  struct Picture {
    std::string base64;
    cairo_surface_t* surface;
  };
  static constexpr std::size_t kKeptPictures = 8;
  std::vector<Picture> pictures;
  std::uint64_t picturePixelsLeft;

  explicit Impl(std::uint64_t picturePixels) : picturePixelsLeft(picturePixels) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() {
    for (auto& entry : scaledFonts) cairo_scaled_font_destroy(entry.second);
    for (auto& entry : fontFaces) cairo_font_face_destroy(entry.second);
    for (const Picture& picture : pictures) cairo_surface_destroy(picture.surface);
  }

  const fonts::FontFace& shaper(const TextStyle& style) {
    auto key = std::make_tuple(style.family, style.size, style.bold, style.italic);
    auto found = shapers.find(key);
    if (found == shapers.end()) {
      found =
          shapers
              .emplace(std::move(key), faces.createFace(style.family, style.size, style.bold, style.italic))
              .first;
    }
    return *found->second;
  }

  const fonts::FontFace& fallback(char32_t character, const TextStyle& style) {
    auto key = std::make_tuple(character, style.size, style.bold, style.italic);
    auto found = fallbacks.find(key);
    if (found == fallbacks.end()) {
      found = fallbacks
                  .emplace(std::move(key),
                           faces.createFaceForCharacter(character, style.size, style.bold, style.italic))
                  .first;
    }
    return *found->second;
  }

  // The cairo face drawing from exactly the file the shaper measured.
  cairo_font_face_t* fontFace(const fonts::FaceFile& file) {
    auto key = std::make_pair(file.path, file.index);
    if (auto found = fontFaces.find(key); found != fontFaces.end()) return found->second;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(file.path.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, file.index);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
      cairo_font_face_destroy(face);
      face = nullptr;
    }
    fontFaces.emplace(std::move(key), face);
    return face;
  }

  cairo_scaled_font_t* scaledFont(cairo_font_face_t* face, double size) {
    const auto key = std::make_pair(face, size);
    if (auto found = scaledFonts.find(key); found != scaledFonts.end()) return found->second;
    cairo_matrix_t matrix, identity;
    cairo_matrix_init_scale(&matrix, size, size);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_scaled_font_t* font = cairo_scaled_font_create(face, &matrix, &identity, options);
    cairo_font_options_destroy(options);
    if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
      cairo_scaled_font_destroy(font);
      font = nullptr;
    }
    scaledFonts.emplace(key, font);
    return font;
  }

  // True when the picture's pixels fit what is left, counted against it.
  bool affordable(const std::vector<std::uint8_t>& bytes) {
    const std::optional<detail::PictureHeader> header = detail::PictureDecoder::inspect(bytes);
    if (!header || header->pixels > picturePixelsLeft) return false;
    picturePixelsLeft -= header->pixels;
    return true;
  }

  cairo_surface_t* picture(std::string_view base64) {
    const auto kept = std::find_if(pictures.begin(), pictures.end(),
                                   [&](const Picture& picture) { return picture.base64 == base64; });
    if (kept != pictures.end()) {
      std::rotate(kept, kept + 1, pictures.end());
      return pictures.back().surface;
    }
    const std::vector<std::uint8_t> bytes = text::decodeBase64(base64);
    cairo_surface_t* surface = affordable(bytes) ? detail::PictureDecoder::decode(bytes) : nullptr;
    if (surface != nullptr && isFullSizeJPEG(bytes, surface)) {
      // Goes into a PDF as it is.
      auto* copy = static_cast<unsigned char*>(std::malloc(bytes.size()));
      if (copy != nullptr) {
        std::memcpy(copy, bytes.data(), bytes.size());
        cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG, copy, bytes.size(), std::free, copy);
      }
    }
    if (pictures.size() == kKeptPictures) {
      cairo_surface_destroy(pictures.front().surface);
      pictures.erase(pictures.begin());
    }
    pictures.push_back({std::string(base64), surface});
    return surface;
  }
};

struct PageCanvas::GlyphRun {
  std::vector<cairo_glyph_t> glyphs;
  std::vector<cairo_text_cluster_t> clusters;
};

std::uint64_t CanvasResources::picturePixelsFor(std::size_t fileBytes) {
  constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
  if (fileBytes > (kMost - kPictureAllowance) / kPicturePixelsPerFileByte) return kMost;
  return kPictureAllowance + kPicturePixelsPerFileByte * fileBytes;
}

CanvasResources::CanvasResources(std::uint64_t picturePixels)
    : impl_(std::make_unique<Impl>(picturePixels)) {}
CanvasResources::~CanvasResources() = default;

PageCanvas::PageCanvas(void* cairoContext, CanvasResources& resources)
    : cr_(cairoContext), resources_(resources) {}

void PageCanvas::drawText(std::string_view text, Point origin, const TextStyle& style, double spaceExtra) {
  if (text.empty() || !(style.size > 0) || style.size > kMaxTextSize) return;
  const std::string valid = text::decodeUTF8Lossy(text);
  CanvasResources::Impl& resources = resources_.impl();
  const fonts::FontFace& shaper = resources.shaper(style);
  const std::vector<fonts::ShapedGlyph> shaped = shaper.shape(valid);

  // The face's own glyphs in one run; a character it has no glyph for is
  // drawn in its place from a face that has one, as the browser does.
  GlyphRun run;
  std::vector<std::pair<std::size_t, double>> missing;  // cluster and x
  double x = origin.x;
  for (std::size_t i = 0; i < shaped.size(); ++i) {
    const std::size_t cluster = shaped[i].cluster;
    const bool sameCluster = i > 0 && shaped[i - 1].cluster == cluster;
    if (!sameCluster) {
      // Found once per cluster: a letter under 300,000 marks is one cluster.
      const std::size_t after = nextClusterGlyph(shaped, i);
      const std::size_t next = after < shaped.size() ? shaped[after].cluster : valid.size();
      run.clusters.push_back({static_cast<int>(next - cluster), 0});
    }
    if (shaped[i].glyph == 0) {
      if (!sameCluster) missing.emplace_back(cluster, x);
    } else {
      run.glyphs.push_back({shaped[i].glyph, x, origin.y});
      ++run.clusters.back().num_glyphs;
    }
    x += shaped[i].advance;
    if (valid[cluster] == ' ') x += spaceExtra;
  }
  const std::optional<fonts::FaceFile> file = shaper.file();
  if (file) show(resources.fontFace(*file), style, valid, run);
  for (const auto& [cluster, at] : missing) {
    const std::size_t length = characterLength(valid, cluster);
    const std::string_view character = std::string_view(valid).substr(cluster, length);
    const fonts::FontFace& fallback = resources.fallback(firstCodePoint(character), style);
    const std::optional<fonts::FaceFile> fallbackFile = fallback.file();
    if (!fallbackFile) continue;
    GlyphRun piece;
    double pen = at;
    for (const fonts::ShapedGlyph& glyph : fallback.shape(character)) {
      piece.glyphs.push_back({glyph.glyph, pen, origin.y});
      pen += glyph.advance;
    }
    piece.clusters.push_back({static_cast<int>(length), static_cast<int>(piece.glyphs.size())});
    show(resources.fontFace(*fallbackFile), style, character, piece);
  }
}

void PageCanvas::show(void* fontFace, const TextStyle& style, std::string_view utf8, const GlyphRun& run) {
  if (fontFace == nullptr || run.clusters.empty()) return;
  cairo_scaled_font_t* font =
      resources_.impl().scaledFont(static_cast<cairo_font_face_t*>(fontFace), style.size);
  if (font == nullptr) return;
  cairo_t* cr = context(cr_);
  cairo_set_scaled_font(cr, font);
  setSource(cr, style.color);
  cairo_show_text_glyphs(cr, utf8.data(), static_cast<int>(utf8.size()), run.glyphs.data(),
                         static_cast<int>(run.glyphs.size()), run.clusters.data(),
                         static_cast<int>(run.clusters.size()), cairo_text_cluster_flags_t{});
}

void PageCanvas::fillRect(const Rect& rect, const Color& color) {
  if (!(rect.width > 0) || !(rect.height > 0)) return;
  cairo_t* cr = context(cr_);
  cairo_new_path(cr);
  cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
  setSource(cr, color);
  cairo_fill(cr);
}

void PageCanvas::drawLine(Point from, Point to, double width, const Color& color) {
  if (!(width > 0)) return;
  cairo_t* cr = context(cr_);
  cairo_new_path(cr);
  cairo_move_to(cr, from.x, from.y);
  cairo_line_to(cr, to.x, to.y);
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  setSource(cr, color);
  cairo_stroke(cr);
}

void PageCanvas::drawImage(std::string_view base64, const Rect& rect) {
  if (!(rect.width > 0) || !(rect.height > 0)) return;
  cairo_surface_t* picture = resources_.impl().picture(base64);
  if (picture == nullptr) return;
  const double width = cairo_image_surface_get_width(picture);
  const double height = cairo_image_surface_get_height(picture);
  const double scale = std::min(rect.width / width, rect.height / height);
  cairo_t* cr = context(cr_);
  cairo_save(cr);
  cairo_translate(cr, rect.x + (rect.width - width * scale) / 2, rect.y + (rect.height - height * scale) / 2);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, picture, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace maravel::drawing
