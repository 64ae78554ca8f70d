#include "platform/quicklook/preview_reply.hpp"

namespace maravel::quicklook {

QLPreviewReply::Data QLPreviewReply::data() const {
  Data bytes = data_ ? data_() : nullptr;
  return bytes ? bytes : std::make_shared<const std::string>();
}

}  // namespace maravel::quicklook
