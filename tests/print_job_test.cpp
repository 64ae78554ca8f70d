// A print job draws the PDF's pages: the same count, sizes and text, on the
// sheet the print system hands over for the document's paper.
#include "paper/print_job.hpp"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "paper/pdf_writer.hpp"
#include "platform/drawing/leak_suppressions.hpp"
#include "tests/support/scratch_folder.hpp"

namespace maravel {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::runCommand;

// A5 landscape as the print system measures it (210 by 148 mm), a little
// off the document's 595.28 by 419.53 points.
constexpr drawing::Size kA5Landscape{595.2756, 419.5276};

// An A5 landscape document long enough for several pages.
std::shared_ptr<const UDFDocument> longA5Landscape() {
  UDFDocument doc;
  doc.pageProps.mediaSize = 2;
  doc.pageProps.orientation = 0;
  for (int i = 1; i <= 40; ++i) {
    ParagraphItem paragraph;
    TextRun run;
    run.text = "Paragraf " + std::to_string(i) + ": davacı vekilinin dilekçesi okundu.";
    paragraph.runs.push_back(run);
    doc.elements.push_back(DocumentElement(paragraph));
  }
  return std::make_shared<const UDFDocument>(std::move(doc));
}

// Every page's width and height in points, as pdfinfo reads them.
std::vector<drawing::Size> pageSizes(const fs::path& pdf) {
  const CommandResult info = runCommand("pdfinfo", {"-f", "1", "-l", "99", pdf.string()});
  EXPECT_EQ(info.status, 0) << info.err;
  std::vector<drawing::Size> sizes;
  std::istringstream in(info.out);
  for (std::string line; std::getline(in, line);) {
    drawing::Size size;  // "Page    1 size:  595.28 x 419.53 pts"
    if (std::sscanf(line.c_str(), "Page %*d size: %lf x %lf", &size.width, &size.height) == 2)
      sizes.push_back(size);
  }
  return sizes;
}

std::string layoutText(const fs::path& pdf) {
  return runCommand("pdftotext", {"-layout", pdf.string(), "-"}).out;
}

TEST(PrintJobTest, PrintsThePagesOfThePdf) {
  const std::shared_ptr<const UDFDocument> doc = longA5Landscape();
  testing::ScratchFolder folder;
  const fs::path written = folder.path() / "udf2pdf.pdf";
  const fs::path printed = folder.path() / "printed.pdf";
  std::string pdf;
  ASSERT_TRUE(PdfWriter::write(*doc, "karar.udf", [&pdf](std::span<const std::uint8_t> bytes) {
    pdf.append(bytes.begin(), bytes.end());
    return true;
  }));
  folder.writeText(written.filename().string(), pdf);

  PrintJob job(doc, "karar.udf");
  EXPECT_EQ(job.paper(), (PrintPaper{"iso_a5", true}));
  ASSERT_GT(job.pageCount(), 1);
  cairo_surface_t* surface =
      cairo_pdf_surface_create(printed.c_str(), kA5Landscape.width, kA5Landscape.height);
  cairo_t* cr = cairo_create(surface);
  for (int page = 0; page < job.pageCount(); ++page) {
    cairo_save(cr);  // as the print system does around each page
    job.drawPage(page, cr, kA5Landscape);
    cairo_restore(cr);
    cairo_show_page(cr);
  }
  job.drawPage(job.pageCount(), cr, kA5Landscape);  // past the end: nothing
  EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);

  const std::vector<drawing::Size> printedSizes = pageSizes(printed);
  const std::vector<drawing::Size> writtenSizes = pageSizes(written);
  ASSERT_EQ(printedSizes.size(), static_cast<std::size_t>(job.pageCount()));
  ASSERT_EQ(writtenSizes.size(), printedSizes.size());
  for (std::size_t i = 0; i < printedSizes.size(); ++i) {
    EXPECT_NEAR(printedSizes[i].width, writtenSizes[i].width, 0.01) << "page " << i + 1;
    EXPECT_NEAR(printedSizes[i].height, writtenSizes[i].height, 0.01) << "page " << i + 1;
  }
  EXPECT_NE(layoutText(written).find("Paragraf 40: davacı"), std::string::npos);
  EXPECT_EQ(layoutText(printed), layoutText(written));
}

}  // namespace
}  // namespace maravel
