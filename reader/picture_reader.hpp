// Inline pictures: the attributes of an `image` element become an
// InlineImage (cleaned base64 text, mime type, display size in points).
//
// The pixel size is read straight from the PNG, GIF, BMP or JPEG header
// bytes within the first 768 KiB of the picture; nothing is decompressed. Every read states its bounds first,
// so any byte string is safe. Pure and safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/udf_document.hpp"
#include "reader/xml_tree.hpp"

namespace maravel {

class PictureReader {
 public:
  // Nothing when there is no "imagedata" attribute or nothing of the base64
  // alphabet (A-Z a-z 0-9 + / =) is left in it. Every other character is
  // dropped, so the base64 text can be embedded in a page as it is.
  // Undecodable data gives "image/png" with the 16 x 16 fallback size (or the
  // given size); display sizes are finite and at least 1.
  static std::optional<InlineImage> picture(const AttributeMap& attributes);

  // Only the characters of the base64 alphabet, in order.
  static std::string base64Alphabet(std::string_view value);

  // The unsigned 32-bit value of the four bytes starting at `index`, most
  // significant first (bigEndian) or last (littleEndian). The caller
  // guarantees index + 3 < bytes.size().
  static std::uint32_t bigEndian(const std::vector<std::uint8_t>& bytes, std::size_t index);
  static std::uint32_t littleEndian(const std::vector<std::uint8_t>& bytes, std::size_t index);
};

}  // namespace maravel
