#include "platform/drawing/png_writer.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace maravel::drawing::detail {

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void chunk(std::vector<std::uint8_t>& out, std::string_view type, const std::vector<std::uint8_t>& data) {
  put32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  put32(out, static_cast<std::uint32_t>(crc));
}

std::uint32_t pixelAt(const unsigned char* row, int x) {
  std::uint32_t argb = 0;
  std::memcpy(&argb, row + static_cast<std::size_t>(x) * 4, sizeof argb);
  return argb;
}

std::uint8_t unpremultiplied(std::uint32_t component, std::uint32_t alpha) {
  return static_cast<std::uint8_t>((component * 255 + alpha / 2) / alpha);
}

bool isOpaque(const unsigned char* data, int width, int height, int stride) {
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
    for (int x = 0; x < width; ++x) {
      if ((pixelAt(row, x) >> 24) != 0xFF) return false;
    }
  }
  return true;
}

// Each row as PNG scanline data: filter type 0, then the pixels.
std::vector<std::uint8_t> scanlines(const unsigned char* data, int width, int height, int stride,
                                    bool opaque) {
  const std::size_t channels = opaque ? 3 : 4;
  const std::size_t rowBytes = 1 + static_cast<std::size_t>(width) * channels;
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(height) * rowBytes);
  std::uint8_t* out = raw.data();
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
    *out++ = 0;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t argb = pixelAt(row, x);
      const std::uint32_t alpha = argb >> 24;
      const std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      if (opaque) {
        *out++ = static_cast<std::uint8_t>(r);
        *out++ = static_cast<std::uint8_t>(g);
        *out++ = static_cast<std::uint8_t>(b);
      } else if (alpha == 0) {
        out = std::fill_n(out, 4, std::uint8_t{0});
      } else {
        *out++ = unpremultiplied(r, alpha);
        *out++ = unpremultiplied(g, alpha);
        *out++ = unpremultiplied(b, alpha);
        *out++ = static_cast<std::uint8_t>(alpha);
      }
    }
  }
  return raw;
}

}  // namespace

std::vector<std::uint8_t> encodePNG(const unsigned char* data, int width, int height, int stride) {
  if (data == nullptr || width < 1 || height < 1) return {};
  const bool opaque = isOpaque(data, width, height, stride);
  const std::vector<std::uint8_t> raw = scanlines(data, width, height, stride, opaque);
  std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(raw.size())));
  uLongf packedSize = static_cast<uLongf>(packed.size());
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_SPEED) !=
      Z_OK) {
    return {};
  }
  packed.resize(packedSize);

  std::vector<std::uint8_t> header;
  put32(header, static_cast<std::uint32_t>(width));
  put32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(),
                {8, static_cast<std::uint8_t>(opaque ? 2 : 6), 0, 0, 0});  // depth, colour, methods

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", packed);
  chunk(png, "IEND", {});
  return png;
}

}  // namespace maravel::drawing::detail
