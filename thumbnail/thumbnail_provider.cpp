#include "thumbnail/thumbnail_provider.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/quicklook/open_file.hpp"
#include "platform/text/text.hpp"
#include "reader/udf_parser.hpp"

namespace maravel {

namespace {

using drawing::Color;
using drawing::DrawingContext;
using drawing::Font;
using drawing::Rect;
using drawing::Size;

void drawSheet(DrawingContext& context, const Size& size) {
  const double w = size.width;
  const double h = size.height;
  context.fillRect(Rect{0, 0, w, h}, Color::calibratedWhite(1));
  context.strokeRect(Rect{1, 1, w - 2, h - 2}, Color::calibratedWhite(0.82), 1.5);
  context.fillRoundedRect(Rect{w - 52, 8, 44, 20}, 4, 4, Color::calibratedRGB(0.12, 0.45, 0.88));
  context.drawString("UDF", drawing::Point{w - 43, 11}, Font::system(10, true), Color::calibratedWhite(1));
}

Font bodyFont(double width) {
  const double size = ThumbnailProvider::bodyFontSize(width);
  if (Font::isFamilyInstalled("Times New Roman")) return Font::named("Times New Roman", size);
  return Font::system(size);
}

}  // namespace

bool ThumbnailProvider::provideThumbnail(const quicklook::QLFileThumbnailRequest& request,
                                         const Handler& handler) {
  const Size size = request.maximumSize;
  const std::filesystem::path file = request.fileURL;
  quicklook::QLThumbnailReply reply(size, [size, file](DrawingContext& context) {
    drawThumbnail(context, size, file);
    return true;
  });
  if (handler) handler(std::move(reply), std::nullopt);
  return true;
}

void ThumbnailProvider::drawThumbnail(DrawingContext& context, const Size& size,
                                      const std::filesystem::path& file) {
  drawSheet(context, size);
  std::string failure;
  const std::optional<quicklook::OpenFile> opened = quicklook::OpenFile::open(file, maximumFileSize, failure);
  if (!opened) return;
  // Only the zip directory and the beginning of content.xml are read, so a
  // long document costs no more than a short one.
  const FastZipExtractor::ArchiveReader archive{
      opened->size(), [&opened](std::uint64_t offset, std::span<std::uint8_t> into) {
        return opened->read(offset, into) == into.size();
      }};
  if (const std::optional<std::string> rawText = UDFParser::rawText(archive, 2 * bodyTextByteLimit))
    drawBodyText(context, size, *rawText);
}

void ThumbnailProvider::drawThumbnail(DrawingContext& context, const Size& size,
                                      std::optional<std::span<const std::uint8_t>> data) {
  drawSheet(context, size);
  if (!data) return;
  // Only the beginning of the raw text is drawn, so the rest of the document
  // is not inflated.
  if (const std::optional<std::string> rawText = UDFParser::rawText(*data, 2 * bodyTextByteLimit))
    drawBodyText(context, size, *rawText);
}

void ThumbnailProvider::drawBodyText(DrawingContext& context, const Size& size, std::string_view rawText) {
  context.drawAttributedString(bodyText(rawText), Rect{16, 32, size.width - 32, size.height - 48},
                               bodyFont(size.width), Color::calibratedWhite(0.25));
}

double ThumbnailProvider::bodyFontSize(double width) { return std::max(width / 24, 8.0); }

std::string ThumbnailProvider::bodyText(std::string_view rawText) {
  std::string body = text::prefixGraphemes(rawText.substr(0, 2 * bodyTextByteLimit), bodyTextLength);
  if (body.size() > bodyTextByteLimit) {
    std::size_t end = bodyTextByteLimit;
    while (end > 0 && (static_cast<unsigned char>(body[end]) & 0xC0) == 0x80) --end;
    body.resize(end);
  }
  return body;
}

}  // namespace maravel
