#include "preview/preview_provider.hpp"

#include <optional>
#include <string>
#include <vector>

#include "html/html_renderer.hpp"
#include "platform/quicklook/file_contents.hpp"
#include "reader/udf_parser.hpp"

namespace maravel {
namespace {

constexpr std::string_view kErrorPage =
    "<!DOCTYPE html>\n"
    "<html>\n"
    "<head><meta charset=\"utf-8\"></head>\n"
    "<body style=\"font-family: -apple-system, BlinkMacSystemFont, sans-serif; display: flex; align-items: "
    "center; justify-content: center; height: 80vh; color: #666;\">\n"
    "    <div style=\"text-align: center;\">\n"
    "        <div style=\"font-size: 48px; margin-bottom: 12px;\">\xF0\x9F\x93\x84</div>\n"
    "        <h3 style=\"margin-bottom: 6px; color: #222;\">UDF Belgesi \xC3\x96nizlenemedi</h3>\n"
    "        <p style=\"font-size: 13px;\">Dosya hasarl\xC4\xB1 veya desteklenmeyen bir UDF "
    "s\xC3\xBCr\xC3\xBCm\xC3\xBC"
    "nde olabilir.</p>\n"
    "    </div>\n"
    "</body>\n"
    "</html>";

std::vector<std::uint8_t> utf8Bytes(std::string_view page) { return {page.begin(), page.end()}; }

quicklook::QLPreviewReply errorReply() {
  return {quicklook::UTType::html(), PreviewProvider::kErrorSize, [] { return utf8Bytes(kErrorPage); }};
}

std::optional<std::vector<std::uint8_t>> documentPage(std::span<const std::uint8_t> data,
                                                      const std::string& fileName) {
  std::string page;
  {
    // The model is let go before the page is copied out: the two copies of
    // a large page are then not held beside it.
    std::optional<UDFDocument> doc = UDFParser::parse(data);
    if (!doc) return std::nullopt;
    // The page shows the runs, never the text block they were cut from.
    std::string().swap(doc->rawText);
    page = UDFHTMLRenderer::renderHTML(*doc, fileName, UDFHTMLRenderer::pageBudget(data.size()));
  }
  return utf8Bytes(page);
}

}  // namespace

std::string_view PreviewProvider::errorPage() { return kErrorPage; }

quicklook::QLPreviewReply PreviewProvider::providePreview(
    const quicklook::QLFilePreviewRequest& request) const {
  const std::string fileName = quicklook::lastPathComponent(request.fileURL);
  const std::optional<std::vector<std::uint8_t>> data =
      quicklook::readFileContents(request.fileURL, quicklook::kMaxDocumentBytes);
  return preview(data ? std::optional<std::span<const std::uint8_t>>(*data) : std::nullopt, fileName);
}

quicklook::QLPreviewReply PreviewProvider::preview(std::optional<std::span<const std::uint8_t>> data,
                                                   const std::string& fileName) {
  std::optional<std::vector<std::uint8_t>> page;
  try {
    if (data) page = documentPage(*data, fileName);
  } catch (...) {
    // Out of memory or a file-system error: Quick Look gets the error page.
    page.reset();
  }
  if (!page) return errorReply();
  return {quicklook::UTType::html(), kDocumentSize, [bytes = std::move(*page)] { return bytes; }};
}

}  // namespace maravel
