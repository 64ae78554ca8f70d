#include "platform/drawing/pdf_document.hpp"

#include <cairo-pdf.h>
#include <cairo.h>

#include <optional>

namespace maravel::drawing {

namespace {

struct SinkState {
  PdfDocument::Sink sink;
  bool failed = false;
};

cairo_status_t writeToSink(void* closure, const unsigned char* data, unsigned int length) {
  auto* state = static_cast<SinkState*>(closure);
  if (state->failed || !state->sink(std::span<const std::uint8_t>(data, length))) {
    state->failed = true;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

struct PdfDocument::Impl {
  SinkState state;
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  CanvasResources resources;
  std::optional<PageCanvas> canvas;
  bool finished = false;
  std::string failure;

  explicit Impl(std::uint64_t picturePixels) : resources(picturePixels) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() {
    if (cr != nullptr) cairo_destroy(cr);
    if (surface != nullptr) cairo_surface_destroy(surface);
  }
};

PdfDocument::PdfDocument(Sink sink, const std::string& title, std::uint64_t picturePixels)
    : impl_(std::make_unique<Impl>(picturePixels)) {
  impl_->state.sink = std::move(sink);
  // The first page's size is set when it begins.
  impl_->surface = cairo_pdf_surface_create_for_stream(writeToSink, &impl_->state, 595.28, 841.89);
  cairo_pdf_surface_set_metadata(impl_->surface, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(impl_->surface, CAIRO_PDF_METADATA_CREATOR, "Maravel");
  impl_->cr = cairo_create(impl_->surface);
}

PdfDocument::~PdfDocument() = default;

PageCanvas& PdfDocument::beginPage(Size size) {
  if (impl_->canvas) cairo_show_page(impl_->cr);
  cairo_pdf_surface_set_size(impl_->surface, std::max(size.width, 1.0), std::max(size.height, 1.0));
  impl_->canvas.emplace(impl_->cr, impl_->resources);
  return *impl_->canvas;
}

bool PdfDocument::finish() {
  if (impl_->finished) return false;
  impl_->finished = true;
  if (!impl_->canvas) beginPage({595.28, 841.89});
  cairo_show_page(impl_->cr);
  cairo_status_t status = cairo_status(impl_->cr);
  cairo_destroy(impl_->cr);
  impl_->cr = nullptr;
  cairo_surface_finish(impl_->surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(impl_->surface);
  cairo_surface_destroy(impl_->surface);
  impl_->surface = nullptr;
  if (impl_->state.failed) {
    impl_->failure = "the sink refused bytes";
  } else if (status != CAIRO_STATUS_SUCCESS) {
    impl_->failure = cairo_status_to_string(status);
  }
  return impl_->failure.empty();
}

const std::string& PdfDocument::failure() const { return impl_->failure; }

}  // namespace maravel::drawing
