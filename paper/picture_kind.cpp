#include "paper/picture_kind.hpp"

#include "platform/drawing/picture_decoder.hpp"

namespace maravel {

std::optional<PictureKind> PictureKind::of(std::span<const std::uint8_t> bytes) {
  using drawing::detail::PictureDecoder;
  using drawing::detail::PictureFormat;
  const auto header = PictureDecoder::inspect(bytes);
  if (!header || header->pixels > PictureDecoder::kMaxPixels) return std::nullopt;
  switch (header->format) {
    case PictureFormat::png:
      return PictureKind{"png", "image/png"};
    case PictureFormat::jpeg:
      return PictureKind{"jpeg", "image/jpeg"};
    case PictureFormat::gif:
      return PictureKind{"gif", "image/gif"};
    case PictureFormat::bmp:
      break;
  }
  return PictureKind{"bmp", "image/bmp"};
}

}  // namespace maravel
