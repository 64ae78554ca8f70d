#include "preview/preview_provider.hpp"

#include <memory>
#include <optional>
#include <string>

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

quicklook::QLPreviewReply errorReply() {
  return {quicklook::UTType::html(), PreviewProvider::kErrorSize,
          [] { return std::make_shared<const std::string>(kErrorPage); }};
}

// The page, made once and handed out without a copy: a thousand-page
// document's page is tens of megabytes.
quicklook::QLPreviewReply::Data documentPage(std::span<const std::uint8_t> data, const std::string& fileName) {
  std::optional<UDFDocument> doc = UDFParser::parse(data);
  if (!doc) return nullptr;
  // The page shows the runs, never the text block they were cut from.
  std::string().swap(doc->rawText);
  return std::make_shared<const std::string>(
      UDFHTMLRenderer::renderHTML(*doc, fileName, UDFHTMLRenderer::pageBudget(data.size())));
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
  quicklook::QLPreviewReply::Data page;
  try {
    if (data) page = documentPage(*data, fileName);
  } catch (...) {
    // Out of memory or a file-system error: Quick Look gets the error page.
    page.reset();
  }
  if (!page) return errorReply();
  return {quicklook::UTType::html(), kDocumentSize, [page] { return page; }};
}

}  // namespace maravel
