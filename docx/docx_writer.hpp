// A document as an editable Word copy: an Office Open XML
// (WordprocessingML) file that Word and LibreOffice open with the same
// columns as the paper.
//
// Written from the model: paper size, orientation and margins; header and
// footer distances; paragraphs with their alignment, indents, spacing, line
// spacing and real tab stops (left, centre, right, decimal) placed where the
// page puts each tab; runs with family, size, weight, slant, underline,
// strike-through, sub- and superscript, colour and background; list markers
// as the page writes them; tables with their column grid, per-row spans,
// borders and nesting; pictures at their size; the header from its start
// page on, the footer, page lines and the footer's page number as PAGE and
// NUMPAGES fields; the title, the verification code and the signers' names
// as properties. The copy carries no signature.
//
// Pure and safe on any thread: every call builds its own font book. Every
// document text reaches the XML escaped.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel {

class DocxWriter {
 public:
  // Takes the file's bytes in order; false stops the writing.
  using Sink = std::function<bool(std::span<const std::uint8_t>)>;

  // Writes the copy into `sink`; `title` (the file name) goes into its
  // properties. False when the sink refused bytes, the archive could not be
  // made or memory ran out; the sink may then have taken a part.
  static bool write(const UDFDocument& doc, const std::string& title, const Sink& sink);

  // The copy as bytes; nothing when it could not be made.
  static std::optional<std::vector<std::uint8_t>> bytes(const UDFDocument& doc, const std::string& title);
};

}  // namespace maravel
