// Lays a document out on a thread of its own and hands its pages to the
// main thread as they are made, so that the page view shows the first page
// while the others are still being laid out: the body of each page as soon
// as it is filled, the headers and footers ("n/M") once the page count is
// known.
//
// The feed is shared by the layout thread and its owner; a cancelled feed
// hands nothing more over (the thread runs its layout to the end and lets
// it go). Nothing throws: memory running out on the layout thread ends the
// layout there, as if the document ended.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "Maravel/paged_document.hpp"

namespace maravel {

class PageFeed {
 public:
  // Starts laying `document` out; `wake` runs on the layout thread when
  // something waits to be taken (once until the next take()) and must be
  // safe there: it only schedules a take() on the main thread.
  static std::shared_ptr<PageFeed> start(std::shared_ptr<const UDFDocument> document, std::size_t fileBytes,
                                         std::function<void()> wake);

  // Moves what waits into `pages`; true once the layout is over and every
  // page has been handed over.
  bool take(PagedDocument& pages);

  void cancel();

 private:
  explicit PageFeed(std::function<void()> wake) : wake_(std::move(wake)) {}
  void run(const UDFDocument& document, std::size_t fileBytes);
  void hand(const std::function<void()>& store);

  std::function<void()> wake_;
  std::mutex mutex_;
  std::vector<PaperPage> pages_;
  std::vector<std::pair<int, PaperMarks>> regions_;
  bool done_ = false;
  bool truncated_ = false;
  bool woken_ = false;
  bool cancelled_ = false;
};

}  // namespace maravel
