#include "platform/drawing/print_document.hpp"

#include <cairo.h>

#include <algorithm>

namespace maravel::drawing {
namespace {

// Paper sizes named by the print system differ from the document's by
// rounding (A4 is 595.2756 points there, 595.28 in the document).
constexpr double kTolerance = 1;

bool isArea(Size size) { return size.width > 0 && size.height > 0; }

double fitScale(Size page, Size sheet) {
  if (page.width <= sheet.width + kTolerance && page.height <= sheet.height + kTolerance) return 1;
  return std::min(sheet.width / page.width, sheet.height / page.height);
}

}  // namespace

PageCanvas& PrintDocument::beginPage(void* cairoContext, Size page, Size sheet) {
  auto* cr = static_cast<cairo_t*>(cairoContext);
  if (!isArea(page)) page = {1, 1};
  if (!isArea(sheet)) sheet = page;  // an unknown sheet: the page as it is
  const double scale = fitScale(page, sheet);
  cairo_translate(cr, (sheet.width - page.width * scale) / 2, (sheet.height - page.height * scale) / 2);
  cairo_scale(cr, scale, scale);
  canvas_.emplace(cairoContext, resources_);
  return *canvas_;
}

}  // namespace maravel::drawing
