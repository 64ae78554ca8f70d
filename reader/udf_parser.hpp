// The reader's single entry point: the bytes of a .udf file become a
// UDFDocument.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "model/udf_document.hpp"

namespace maravel {

class UDFParser {
 public:
  // Nothing when the archive has no entries, no "content.xml", or a
  // content.xml that is neither UTF-8 nor Windows-1254. Every other problem
  // degrades to defaults, and a body that came out empty is replaced by the
  // plain text, one paragraph per line. Pure and safe on any thread.
  static std::optional<UDFDocument> parse(std::span<const std::uint8_t> udfData);
};

}  // namespace maravel
