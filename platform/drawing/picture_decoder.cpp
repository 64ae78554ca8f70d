#include "platform/drawing/picture_decoder.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <vector>

namespace maravel::drawing::detail {

namespace {

using Bytes = std::span<const std::uint8_t>;

const char* loaderName(PictureFormat format) {
  switch (format) {
    case PictureFormat::png:
      return "png";
    case PictureFormat::jpeg:
      return "jpeg";
    case PictureFormat::gif:
      return "gif";
    case PictureFormat::bmp:
      break;
  }
  return "bmp";
}

// Scales a picture larger than kMaxSide down while the loader decodes it,
// and stops one that says it is larger than its header did.
void limitSize(GdkPixbufLoader* loader, int width, int height, gpointer header) {
  const auto& expected = *static_cast<const PictureHeader*>(header);
  if (width <= 0 || height <= 0 || static_cast<std::uint32_t>(width) > expected.width ||
      static_cast<std::uint32_t>(height) > expected.height) {
    gdk_pixbuf_loader_set_size(loader, 0, 0);
    return;
  }
  if (width <= PictureDecoder::kMaxSide && height <= PictureDecoder::kMaxSide) return;
  const double scale = static_cast<double>(PictureDecoder::kMaxSide) / std::max(width, height);
  gdk_pixbuf_loader_set_size(loader, std::max(1, static_cast<int>(width * scale)),
                             std::max(1, static_cast<int>(height * scale)));
}

GdkPixbuf* load(Bytes bytes, const PictureHeader& header) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(loaderName(header.format), nullptr);
  if (loader == nullptr) return nullptr;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(limitSize), const_cast<PictureHeader*>(&header));
  bool written = gdk_pixbuf_loader_write(loader, bytes.data(), header.decodedBytes, nullptr);
  if (written && header.decodedBytes < bytes.size()) {
    static constexpr std::uint8_t kTrailer = 0x3B;  // a GIF ends after its first frame
    written = gdk_pixbuf_loader_write(loader, &kTrailer, 1, nullptr);
  }
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (pixbuf != nullptr) g_object_ref(pixbuf);
  g_object_unref(loader);
  return pixbuf;
}

// The pixels, premultiplied.
std::optional<DecodedPicture> picturePixels(GdkPixbuf* pixbuf) {
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
  if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || channels < (alpha ? 4 : 3) || width <= 0 || height <= 0)
    return std::nullopt;
  DecodedPicture picture{width, height, std::vector<std::uint32_t>(std::size_t{1} * width * height)};
  const guchar* source = gdk_pixbuf_read_pixels(pixbuf);
  for (int y = 0; y < height; ++y) {
    const guchar* in = source + static_cast<std::ptrdiff_t>(y) * rowstride;
    std::uint32_t* out = picture.pixels.data() + static_cast<std::ptrdiff_t>(y) * width;
    for (int x = 0; x < width; ++x, in += channels) {
      const std::uint32_t a = alpha ? in[3] : 255;
      const auto premultiply = [a](std::uint32_t c) { return (c * a + 127) / 255; };
      out[x] = (a << 24) | (premultiply(in[0]) << 16) | (premultiply(in[1]) << 8) | premultiply(in[2]);
    }
  }
  return picture;
}

}  // namespace

std::optional<DecodedPicture> PictureDecoder::decode(std::span<const std::uint8_t> bytes) {
  const std::optional<PictureHeader> header = inspect(bytes);
  if (!header || header->pixels > kMaxPixels) return std::nullopt;
  GdkPixbuf* pixbuf = load(bytes, *header);
  if (pixbuf == nullptr) return std::nullopt;
  std::optional<DecodedPicture> picture = picturePixels(pixbuf);
  g_object_unref(pixbuf);
  return picture;
}

}  // namespace maravel::drawing::detail
