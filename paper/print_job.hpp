// A document laid out once for the print system and drawn page by page on
// the cairo contexts it hands over: the same layout and painter as the PDF.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "model/udf_document.hpp"
#include "paper/paper_document.hpp"
#include "platform/drawing/print_document.hpp"

namespace maravel {

// The sheet to ask the print system for.
struct PrintPaper {
  std::string name;  // the PWG name: "iso_a4" or "iso_a5"
  bool landscape = false;

  bool operator==(const PrintPaper&) const = default;
};

class PrintJob {
 public:
  // Lays `doc` (not null) out and keeps it alive while the job lives; `title` names
  // the job for the print queue; the size of the file the document came
  // from bounds its pictures, text and pages (see drawing::CanvasResources
  // and PageLayout). Throws only
  // when memory runs out.
  PrintJob(std::shared_ptr<const UDFDocument> doc, std::string title, std::size_t fileBytes = 0);
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  const std::string& title() const { return title_; }
  // The document's paper size and orientation.
  PrintPaper paper() const;
  // At least 1.
  int pageCount() const { return static_cast<int>(layout_.pages.size()); }

  // Draws page `index` (from 0; any other index draws nothing) on
  // `cairoContext`, a cairo_t* in points with its origin at the top-left
  // corner of a sheet of `sheet` size; a sheet smaller than the page gets
  // the page scaled down to fit. One thread, the one the job was made on.
  void drawPage(int index, void* cairoContext, drawing::Size sheet);

 private:
  std::shared_ptr<const UDFDocument> doc_;
  std::string title_;
  PaperDocument layout_;
  drawing::PrintDocument pages_;
};

}  // namespace maravel
