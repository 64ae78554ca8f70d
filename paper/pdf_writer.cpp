#include "paper/pdf_writer.hpp"

#include <fstream>
#include <system_error>
#include <utility>

#include "paper/page_layout.hpp"
#include "paper/page_painter.hpp"

namespace maravel {

bool PdfWriter::write(const UDFDocument& doc, const std::string& title, drawing::PdfDocument::Sink sink) {
  const PaperDocument paper = PageLayout::layout(doc);
  drawing::PdfDocument pdf(std::move(sink), title);
  for (const PaperPage& page : paper.pages) {
    drawing::PageCanvas& canvas = pdf.beginPage({page.width, page.height});
    PagePainter::paint(page, canvas);
  }
  return pdf.finish();
}

bool PdfWriter::writeFile(const UDFDocument& doc, const std::string& title, const std::filesystem::path& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  bool written = false;
  try {
    written = write(doc, title, [&file](std::span<const std::uint8_t> bytes) {
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      return static_cast<bool>(file);
    });
  } catch (...) {
    written = false;  // out of memory while laying out or drawing
  }
  file.close();
  written = written && !file.fail();
  if (!written) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  return written;
}

std::string PdfWriter::fileName(const std::filesystem::path& documentName) {
  std::filesystem::path name = documentName.filename();
  name.replace_extension(".pdf");
  return name.string();
}

}  // namespace maravel
