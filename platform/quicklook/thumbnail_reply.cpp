#include "platform/quicklook/thumbnail_reply.hpp"

namespace maravel::quicklook {

std::optional<drawing::DrawingContext> QLThumbnailReply::render() const {
  drawing::DrawingContext context(contextSize_);
  if (!draw(context)) return std::nullopt;
  return context;
}

}  // namespace maravel::quicklook
