// The kinds of picture paper draws, told from the picture's own bytes: PNG,
// JPEG, GIF and BMP, each recognised by its signature and a header that
// states a size, whatever the document says the picture is. Anything else
// (SVG, HTML, ZIP, PNM, WMF, TIFF ...) is not drawn on paper, and nothing
// made from the document should hand it on as a picture either: an office
// suite given an SVG that names a local file reads that file.
//
// Pure; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace maravel {

struct PictureKind {
  std::string_view extension;  // "png", "jpeg", "gif" or "bmp"
  std::string_view mimeType;   // "image/png", "image/jpeg", "image/gif" or "image/bmp"

  // The kind of the picture `bytes` holds, as paper decides whether to draw
  // it; nothing for any other content, a header cut short, a size of zero,
  // or more pixels than paper ever decodes.
  static std::optional<PictureKind> of(std::span<const std::uint8_t> bytes);
};

}  // namespace maravel
