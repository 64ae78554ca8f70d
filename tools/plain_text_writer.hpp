// A document's text in reading order, for search tools: the header, the
// body and the footer, tables cell by cell and row by row, one line per
// paragraph, tabs kept as tabs, a list marker and a space in front of its
// paragraph, pictures left out. UTF-8, every line ending in a line feed.
//
// Pure and safe on any thread; nothing fails.
#pragma once

#include <string>

#include "model/udf_document.hpp"

namespace maravel {

class PlainTextWriter {
 public:
  static std::string write(const UDFDocument& doc);

  // Tables nested deeper than this are left out, as the page leaves them.
  static constexpr int kMaxTableDepth = 64;
};

}  // namespace maravel
