// Pelsora's preview door: one file in, one HTML page out.
//
// A file that reads and parses gives the document's page at 860 x 1150
// points; anything else (unreadable, not a zip, no content.xml, undecodable
// text, a directory) gives the fixed error page at 800 x 800. It never throws
// and keeps nothing between requests; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/quicklook/preview_reply.hpp"

namespace maravel {

class PreviewProvider {
 public:
  // Reads at most quicklook::kMaxDocumentBytes; a larger file is not read.
  quicklook::QLPreviewReply providePreview(const quicklook::QLFilePreviewRequest& request) const;

  // The reply for a file's bytes (nothing: it could not be read), with
  // `fileName` as the page's title.
  static quicklook::QLPreviewReply preview(std::optional<std::span<const std::uint8_t>> data,
                                           const std::string& fileName);

  // Content sizes of the two replies, in points.
  static constexpr drawing::Size kDocumentSize{860, 1150};
  static constexpr drawing::Size kErrorSize{800, 800};

  // The page shown when a file cannot be previewed, UTF-8, 546 bytes.
  static std::string_view errorPage();
};

}  // namespace maravel
