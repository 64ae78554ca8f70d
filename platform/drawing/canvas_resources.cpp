#include "platform/drawing/canvas_resources.hpp"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <limits>

#include "platform/drawing/picture_decoder.hpp"
#include "platform/text/text.hpp"

namespace maravel::drawing {

namespace {

// A JPEG decoded at its own size.
bool isFullSizeJPEG(const std::vector<std::uint8_t>& bytes, const detail::DecodedPicture& decoded) {
  const std::optional<detail::PictureHeader> header = detail::PictureDecoder::inspect(bytes);
  return header && header->format == detail::PictureFormat::jpeg &&
         header->width == static_cast<std::uint32_t>(decoded.width) &&
         header->height == static_cast<std::uint32_t>(decoded.height);
}

}  // namespace

std::uint64_t CanvasResources::picturePixelsFor(std::size_t fileBytes) {
  constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
  if (fileBytes > (kMost - kPictureAllowance) / kPicturePixelsPerFileByte) return kMost;
  return kPictureAllowance + kPicturePixelsPerFileByte * fileBytes;
}

CanvasResources::CanvasResources(std::uint64_t picturePixels)
    : impl_(std::make_unique<Impl>(picturePixels)) {}
CanvasResources::~CanvasResources() = default;

const fonts::FontFace& CanvasResources::Impl::shaper(const TextStyle& style) {
  auto found = shapers.find(std::make_tuple(style.family, style.size, style.bold, style.italic));
  if (found == shapers.end()) {
    const std::string family(style.family);
    found = shapers
                .emplace(std::make_tuple(family, style.size, style.bold, style.italic),
                         faces.createFace(family, style.size, style.bold, style.italic))
                .first;
  }
  return *found->second;
}

const fonts::FontFace& CanvasResources::Impl::fallback(char32_t character, const TextStyle& style) {
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

cairo_font_face_t* CanvasResources::Impl::fontFace(const fonts::FaceFile& file) {
  auto key = std::make_pair(file.path, file.index);
  if (auto found = fontFaces.find(key); found != fontFaces.end()) return found->second.get();
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(file.path.c_str()));
  FcPatternAddInteger(pattern, FC_INDEX, file.index);
  cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
  FcPatternDestroy(pattern);
  if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face);
    face = nullptr;
  }
  fontFaces.emplace(std::move(key), CairoPointer<cairo_font_face_t>(face, cairo_font_face_destroy));
  return face;
}

cairo_scaled_font_t* CanvasResources::Impl::scaledFont(cairo_font_face_t* face, double size) {
  const auto key = std::make_pair(face, size);
  if (auto found = scaledFonts.find(key); found != scaledFonts.end()) return found->second.get();
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
  scaledFonts.emplace(key, CairoPointer<cairo_scaled_font_t>(font, cairo_scaled_font_destroy));
  return font;
}

bool CanvasResources::Impl::affordable(const std::vector<std::uint8_t>& bytes) {
  const std::optional<detail::PictureHeader> header = detail::PictureDecoder::inspect(bytes);
  if (!header || header->pixels > picturePixelsLeft) return false;
  picturePixelsLeft -= header->pixels;
  return true;
}

CanvasResources::Impl::Picture* CanvasResources::Impl::picture(std::string_view base64) {
  auto kept = std::find_if(pictures.begin(), pictures.end(),
                           [&](const Picture& picture) { return picture.base64 == base64; });
  if (kept == pictures.end()) {
    std::vector<std::uint8_t> bytes = text::decodeBase64(base64);
    Picture picture{std::string(base64), std::nullopt, {}, nullptr};
    if (affordable(bytes)) picture.decoded = detail::PictureDecoder::decode(bytes);
    if (picture.decoded && isFullSizeJPEG(bytes, *picture.decoded)) picture.jpeg = std::move(bytes);
    if (pictures.size() == kKeptPictures) pictures.erase(pictures.begin());
    pictures.push_back(std::move(picture));
  } else {
    std::rotate(kept, kept + 1, pictures.end());
  }
  return pictures.back().decoded ? &pictures.back() : nullptr;
}

}  // namespace maravel::drawing
