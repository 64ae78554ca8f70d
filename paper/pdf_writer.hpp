// A document as a PDF file: the paged layout drawn page by page, fonts
// embedded, text selectable and searchable.
#pragma once

#include <cstddef>
#include <string>

#include "model/udf_document.hpp"
#include "platform/drawing/pdf_document.hpp"

namespace maravel {

class PdfWriter {
 public:
  // Writes the PDF into `sink`; `title` goes into its properties, and the
  // size of the file the document came from bounds its pictures, text and
  // pages (see drawing::CanvasResources and PageLayout). False when the sink refused bytes or the
  // drawing failed; then `failure`, when given, says which and why. Pure and
  // safe on any thread.
  static bool write(const UDFDocument& doc, const std::string& title, drawing::PdfDocument::Sink sink,
                    std::size_t fileBytes = 0, std::string* failure = nullptr);
};

}  // namespace maravel
