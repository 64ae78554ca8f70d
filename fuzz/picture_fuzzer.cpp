// The attributes of one `image` element through the picture reader, and the
// picture through the page writer and onto paper, where its bytes are
// sniffed, its header sized and, within the bounds, decoded.
//
// Input: "WIDTH;HEIGHT;DATA". An empty WIDTH or HEIGHT leaves that attribute
// out; without two semicolons the whole input is the imagedata value. DATA
// that starts with "!" is raw picture bytes, base64-encoded before the read,
// so that mutations reach the header rules directly.
#include <string>
#include <string_view>

#include "fuzz/fuzz_target.hpp"
#include "platform/drawing/leak_suppressions.hpp"
#include "platform/drawing/pdf_document.hpp"
#include "platform/text/text.hpp"
#include "reader/picture_reader.hpp"

namespace {

maravel::AttributeMap attributesOf(std::string_view input) {
  maravel::AttributeMap attributes;
  const std::size_t first = input.find(';');
  const std::size_t second = first == std::string_view::npos ? first : input.find(';', first + 1);
  std::string_view data = input;
  if (second != std::string_view::npos) {
    if (first > 0) attributes["width"] = std::string(input.substr(0, first));
    if (second > first + 1) attributes["height"] = std::string(input.substr(first + 1, second - first - 1));
    data = input.substr(second + 1);
  }
  if (data.starts_with("!")) {
    data.remove_prefix(1);
    attributes["imagedata"] =
        maravel::text::encodeBase64({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
  } else {
    attributes["imagedata"] = std::string(data);
  }
  return attributes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace maravel;
  const std::optional<InlineImage> image =
      PictureReader::picture(attributesOf({reinterpret_cast<const char*>(data), size}));
  if (!image) return 0;
  ParagraphItem paragraph;
  paragraph.runs.emplace_back().image = *image;
  paragraph.runs.emplace_back().text.assign(1, '\t');  // a tab after the picture: the layout measures it
  UDFDocument doc;
  doc.elements.emplace_back(std::move(paragraph));
  for (const std::string& violation : testing::modelViolations(doc)) fuzz::fail("model violation", violation);
  fuzz::checkPage(UDFHTMLRenderer::renderHTML(doc));
  drawing::PdfDocument pdf([](std::span<const std::uint8_t>) { return true; }, "fuzz",
                           drawing::CanvasResources::picturePixelsFor(size));
  pdf.beginPage({100, 100}).drawImage(image->base64, {0, 0, image->width, image->height});
  if (!pdf.finish()) fuzz::fail("a picture left the PDF undrawable", pdf.failure());
  return 0;
}
