// The thumbnail door: a .udf file drawn as a small white sheet with a grey
// frame, a blue "UDF" badge at the upper right and the beginning of the
// document's plain text below it.
//
// The y axis of the drawing context runs downwards, so the badge band lies
// along the top edge. Safe on any thread; every request is independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/drawing/drawing_context.hpp"
#include "platform/quicklook/file_contents.hpp"
#include "platform/quicklook/thumbnail_reply.hpp"

namespace maravel {

class ThumbnailProvider {
 public:
  using Handler =
      std::function<void(std::optional<quicklook::QLThumbnailReply>, std::optional<std::string> error)>;

  // Calls the handler at once with a reply whose context size is the
  // request's maximumSize unchanged and never with an error; returns true.
  // The file is read only when the reply's block runs; the block always
  // reports success (an unreadable or foreign file gives frame and badge
  // only).
  static bool provideThumbnail(const quicklook::QLFileThumbnailRequest& request, const Handler& handler);

  // The drawing block's work for a sheet of the given size. Of the file
  // only the zip directory and the beginning of content.xml are read.
  static void drawThumbnail(drawing::DrawingContext& context, const drawing::Size& size,
                            const std::filesystem::path& file);
  // The same for a file's bytes (nothing: it could not be read).
  static void drawThumbnail(drawing::DrawingContext& context, const drawing::Size& size,
                            std::optional<std::span<const std::uint8_t>> data);

  // The drawing's last step: the beginning of a document's raw text in the
  // body rectangle. Any bytes are safe; invalid UTF-8 is drawn as U+FFFD.
  static void drawBodyText(drawing::DrawingContext& context, const drawing::Size& size,
                           std::string_view rawText);

  // Body text size in points: width / 24, never below 8.
  static double bodyFontSize(double width);

  // The first bodyTextLength user-perceived characters, without a mark of
  // omission, and never more than bodyTextByteLimit bytes (cut at a character
  // boundary), so that a cluster of thousands of combining marks cannot make
  // the drawing large.
  static std::string bodyText(std::string_view rawText);
  static constexpr std::size_t bodyTextLength = 350;
  static constexpr std::size_t bodyTextByteLimit = 16 * 1024;

  // Files larger than this are not read: the sheet shows frame and badge only.
  static constexpr std::size_t maximumFileSize = quicklook::kMaxDocumentBytes;
};

}  // namespace maravel
