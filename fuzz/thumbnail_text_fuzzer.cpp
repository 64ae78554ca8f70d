// The thumbnail's body text drawn from raw bytes: grapheme cutting, the byte
// bound and pango's layout of whatever the text holds. The first byte picks
// the sheet's size (16 to 271 points), the rest is the document's raw text.
#include <cstdint>
#include <string_view>

#include "platform/drawing/drawing_context.hpp"
#include "platform/drawing/leak_suppressions.hpp"
#include "thumbnail/thumbnail_provider.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace maravel;
  if (size == 0) return 0;
  const double side = 16 + data[0];
  const drawing::Size sheet{side, side};
  drawing::DrawingContext context(sheet);
  const std::string_view rawText(reinterpret_cast<const char*>(data + 1), size - 1);
  ThumbnailProvider::drawBodyText(context, sheet, rawText);
  if (ThumbnailProvider::bodyText(rawText).size() > ThumbnailProvider::bodyTextByteLimit) std::abort();
  return 0;
}
