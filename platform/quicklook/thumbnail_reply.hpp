// The thumbnail side of the Quick Look interface: a request for a file's
// thumbnail of at most a given size, and a reply that carries the context
// size and a drawing block that the caller runs later.
//
// Plain values: copying a reply copies the block. Nothing here touches the
// file; the block decides when to read it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <utility>

#include "platform/drawing/drawing_context.hpp"

namespace maravel::quicklook {

struct QLFileThumbnailRequest {
  std::filesystem::path fileURL;  // the file to draw, as a local path
  drawing::Size maximumSize;      // points
  double scale = 1;               // device pixels per point; not used by the drawing
};

class QLThumbnailReply {
 public:
  // Draws into the current context; the result says whether drawing succeeded.
  using DrawingBlock = std::function<bool(drawing::DrawingContext&)>;

  QLThumbnailReply(drawing::Size contextSize, DrawingBlock currentContextDrawing)
      : contextSize_(contextSize), drawing_(std::move(currentContextDrawing)) {}

  const drawing::Size& contextSize() const { return contextSize_; }

  // Runs the block on the given context; false when there is no block.
  bool draw(drawing::DrawingContext& context) const { return drawing_ ? drawing_(context) : false; }

  // What Quick Look does with a reply: a fresh transparent context of the
  // context size (see DrawingContext for the clamping of odd sizes), drawn
  // by the block. Nothing when the block reports failure.
  std::optional<drawing::DrawingContext> render() const;

 private:
  drawing::Size contextSize_;
  DrawingBlock drawing_;
};

}  // namespace maravel::quicklook
