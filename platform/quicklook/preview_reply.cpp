#include "platform/quicklook/preview_reply.hpp"

namespace maravel::quicklook {

std::vector<std::uint8_t> QLPreviewReply::data() const {
  if (!data_) return {};
  return data_();
}

}  // namespace maravel::quicklook
