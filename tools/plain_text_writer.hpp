// A document's text in reading order, for search tools: the header, the
// body and the footer, tables cell by cell and row by row, one line per
// paragraph, tabs kept as tabs, a list marker and a space in front of its
// paragraph, pictures left out. UTF-8, every line ending in a line feed.
//
// Pure and safe on any thread; nothing fails.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/udf_document.hpp"

namespace maravel {

class PlainTextWriter {
 public:
  static std::string write(const UDFDocument& doc);

  // The same text handed to `sink` piece by piece as it is made (pieces of
  // about kPieceBytes, split only between paragraphs), so that a large text
  // is never held whole. Stops at the first piece `sink` refuses; false
  // then.
  static bool write(const UDFDocument& doc, const std::function<bool(std::string_view)>& sink);
  static constexpr std::size_t kPieceBytes = 1 << 16;

  // Tables nested deeper than this are left out, as the page leaves them.
  static constexpr int kMaxTableDepth = 64;
};

}  // namespace maravel
