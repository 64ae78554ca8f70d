// A document as a PDF file: the paged layout drawn page by page, fonts
// embedded, text selectable and searchable.
#pragma once

#include <filesystem>
#include <string>

#include "model/udf_document.hpp"
#include "platform/drawing/pdf_document.hpp"

namespace maravel {

class PdfWriter {
 public:
  // Writes the PDF into `sink`; `title` goes into its properties. False when
  // the sink refused bytes or the drawing failed. Pure and safe on any thread.
  static bool write(const UDFDocument& doc, const std::string& title, drawing::PdfDocument::Sink sink);

  // Writes the PDF to the file at `path`, replacing what was there; false
  // when it could not be written (memory running out included), and then
  // no file is left at `path`.
  static bool writeFile(const UDFDocument& doc, const std::string& title, const std::filesystem::path& path);

  // The PDF's file name for a document's file name: its extension becomes
  // ".pdf" ("Karar.UDF" gives "Karar.pdf", "karar" gives "karar.pdf").
  static std::string fileName(const std::filesystem::path& documentName);
};

}  // namespace maravel
