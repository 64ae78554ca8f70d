// PNG encoding of the drawing context's pixels (internal to platform/drawing).
#pragma once

#include <cstdint>
#include <vector>

namespace maravel::drawing::detail {

// The pixels of a cairo ARGB32 surface (premultiplied, one native-endian
// 32-bit word per pixel, `stride` bytes a row) as a PNG file: 8-bit RGB when
// every pixel is opaque, else 8-bit RGBA not premultiplied, as cairo writes
// them. Rows go unfiltered through zlib's fastest level: a thumbnail is
// written in a fraction of the time, for a few kilobytes more. Empty on
// failure.
std::vector<std::uint8_t> encodePNG(const unsigned char* data, int width, int height, int stride);

}  // namespace maravel::drawing::detail
