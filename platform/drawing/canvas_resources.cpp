#include "platform/drawing/canvas_resources.hpp"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/drawing/picture_decoder.hpp"
#include "platform/text/text.hpp"

namespace maravel::drawing {

namespace {

// A JPEG decoded at its own size.
bool isFullSizeJPEG(const std::vector<std::uint8_t>& bytes, cairo_surface_t* decoded) {
  const std::optional<detail::PictureHeader> header = detail::PictureDecoder::inspect(bytes);
  return header && header->format == detail::PictureFormat::jpeg &&
         header->width == static_cast<std::uint32_t>(cairo_image_surface_get_width(decoded)) &&
         header->height == static_cast<std::uint32_t>(cairo_image_surface_get_height(decoded));
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

CanvasResources::Impl::~Impl() {
  for (auto& entry : scaledFonts) cairo_scaled_font_destroy(entry.second);
  for (auto& entry : fontFaces) cairo_font_face_destroy(entry.second);
  for (const Picture& picture : pictures) cairo_surface_destroy(picture.surface);
}

const fonts::FontFace& CanvasResources::Impl::shaper(const TextStyle& style) {
  auto key = std::make_tuple(style.family, style.size, style.bold, style.italic);
  auto found = shapers.find(key);
  if (found == shapers.end()) {
    found =
        shapers.emplace(std::move(key), faces.createFace(style.family, style.size, style.bold, style.italic))
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

cairo_scaled_font_t* CanvasResources::Impl::scaledFont(cairo_font_face_t* face, double size) {
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

bool CanvasResources::Impl::affordable(const std::vector<std::uint8_t>& bytes) {
  const std::optional<detail::PictureHeader> header = detail::PictureDecoder::inspect(bytes);
  if (!header || header->pixels > picturePixelsLeft) return false;
  picturePixelsLeft -= header->pixels;
  return true;
}

cairo_surface_t* CanvasResources::Impl::picture(std::string_view base64) {
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

}  // namespace maravel::drawing
