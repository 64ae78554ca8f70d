// The reader's single entry point: the bytes of a .udf file become a
// UDFDocument.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>

#include "model/udf_document.hpp"

namespace maravel {

class UDFParser {
 public:
  // The plain-text fallback makes at most this many paragraphs (a
  // thousand-page document has about 40,000 lines); later lines are left out.
  // A few kilobytes of compressed line feeds would otherwise become millions
  // of paragraphs.
  static constexpr std::size_t kMaxFallbackParagraphs = 100'000;

  // Nothing when the archive has no entries, no "content.xml", or a
  // content.xml that is neither UTF-8 nor Windows-1254, or that starts with
  // a UTF-16 or UTF-32 byte-order mark and is not valid in that encoding.
  // The text block (rawText) is the text of the first `content` element
  // inside the document element, as the XML parser delivers it. Every other
  // problem degrades to defaults, and a body that came out empty is replaced
  // by the text block, one paragraph per line. Pure and safe on any thread.
  static std::optional<UDFDocument> parse(std::span<const std::uint8_t> udfData);

  // What parse(udfData) gives as rawText, and nothing exactly when parse
  // gives nothing, for a fraction of the work: no tree is built, and the
  // XML is read only up to the end of the text block (the editor writes it
  // first), or up to `limit` bytes of it, where the text is then cut (at
  // the start of a character). Pure and safe on any thread.
  static std::optional<std::string> rawText(std::span<const std::uint8_t> udfData,
                                            std::size_t limit = std::numeric_limits<std::size_t>::max());
};

}  // namespace maravel
