// The preview side of the Quick Look interface: a request naming the file to
// preview and a reply that carries the content type, the size the preview
// asks for and a block producing the content bytes when they are wanted.
//
// Plain values: copying a reply copies the block. The content is shared and
// never changes once made, so handing it out copies no bytes, however large
// the page. Nothing here touches the file; the provider reads it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/drawing/drawing_context.hpp"

namespace maravel::quicklook {

// A uniform type: its identifier and the MIME type it stands for.
struct UTType {
  std::string identifier;
  std::string preferredMIMEType;

  static UTType html() { return {"public.html", "text/html"}; }
  bool operator==(const UTType&) const = default;
};

struct QLFilePreviewRequest {
  std::filesystem::path fileURL;  // the file to preview, as a local path
};

class QLPreviewReply {
 public:
  // The content bytes, shared: never null, never changed once made.
  using Data = std::shared_ptr<const std::string>;
  // Produces the content when the caller asks for it; may run more than once.
  using DataBlock = std::function<Data()>;

  QLPreviewReply(UTType contentType, drawing::Size contentSize, DataBlock createDataUsing)
      : contentType_(std::move(contentType)), contentSize_(contentSize), data_(std::move(createDataUsing)) {}

  const UTType& contentType() const { return contentType_; }
  // Points, width by height.
  const drawing::Size& contentSize() const { return contentSize_; }

  // The bytes the block produces; empty when there is no block or it gives
  // nothing.
  Data data() const;

 private:
  UTType contentType_;
  drawing::Size contentSize_;
  DataBlock data_;
};

}  // namespace maravel::quicklook
