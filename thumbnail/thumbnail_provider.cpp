#include "thumbnail/thumbnail_provider.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/text/text.hpp"
#include "reader/udf_parser.hpp"

namespace maravel {

namespace {

using drawing::Color;
using drawing::DrawingContext;
using drawing::Font;
using drawing::Rect;
using drawing::Size;

// The whole file, when it is a regular file of at most `limit` bytes. Opened
// without blocking, so a FIFO or device handed in by name cannot stall the
// drawing.
std::optional<std::vector<std::uint8_t>> readFile(const std::filesystem::path& path, std::size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> result;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
      static_cast<std::uint64_t>(info.st_size) <= limit) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    // A file that shrank while being read is taken as far as it went.
    data.resize(done);
    result = std::move(data);
  }
  ::close(fd);
  return result;
}

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
  const auto data = readFile(file, maximumFileSize);
  if (!data) return;
  const auto document = UDFParser::parse(*data);
  if (!document) return;
  context.drawAttributedString(bodyText(document->rawText), Rect{16, 32, size.width - 32, size.height - 48},
                               bodyFont(size.width), Color::calibratedWhite(0.25));
}

double ThumbnailProvider::bodyFontSize(double width) { return std::max(width / 24, 8.0); }

std::string ThumbnailProvider::bodyText(std::string_view rawText) {
  std::string body = text::prefixGraphemes(rawText.substr(0, bodyTextByteLimit * 2), bodyTextLength);
  if (body.size() > bodyTextByteLimit) {
    std::size_t end = bodyTextByteLimit;
    while (end > 0 && (static_cast<unsigned char>(body[end]) & 0xC0) == 0x80) --end;
    body.resize(end);
  }
  return body;
}

}  // namespace maravel
