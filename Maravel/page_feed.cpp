#include "Maravel/page_feed.hpp"

#include <thread>

#include "paper/page_layout.hpp"
#include "platform/process/document_heap.hpp"

namespace maravel {
std::shared_ptr<PageFeed> PageFeed::start(std::shared_ptr<const UDFDocument> document, std::size_t fileBytes,
                                          std::function<void()> wake) {
  std::shared_ptr<PageFeed> feed(new PageFeed(std::move(wake)));
  std::thread([feed, document = std::move(document), fileBytes] {
    feed->run(*document, fileBytes);
  }).detach();
  return feed;
}

void PageFeed::run(const UDFDocument& document, std::size_t fileBytes) {
  bool truncated = false;
  try {
    FontBook fonts;
    truncated = PageLayout::layoutPages(
        document, fonts, fileBytes,
        [this](PaperPage&& page) {
          // Pages held whole keep no glyphs (a thousand dense pages would hold
          // 16 million): the painter shapes the few pages in sight again.
          page.marks.dropGlyphs();
          hand([&] { pages_.push_back(std::move(page)); });
        },
        [this](int number, PaperMarks&& marks) {
          marks.dropGlyphs();
          hand([&] { regions_.emplace_back(number, std::move(marks)); });
        });
  } catch (...) {
    truncated = true;  // out of memory: the pages made so far stay
  }
  // What the layout worked in is free now, in this thread's part of the heap.
  process::releaseFreeMemory();
  hand([&] {
    done_ = true;
    truncated_ = truncated;
  });
}

void PageFeed::hand(const std::function<void()>& store) {
  bool wake = false;
  {
    const std::lock_guard lock(mutex_);
    if (cancelled_) return;
    store();
    wake = !woken_;
    woken_ = true;
  }
  if (wake && wake_) wake_();
}

bool PageFeed::take(PagedDocument& pages) {
  std::vector<PaperPage> newPages;
  std::vector<std::pair<int, PaperMarks>> newRegions;
  bool done = false, truncated = false;
  {
    const std::lock_guard lock(mutex_);
    newPages.swap(pages_);
    newRegions.swap(regions_);
    done = done_;
    truncated = truncated_;
    woken_ = false;
  }
  for (PaperPage& page : newPages) pages.addPage(std::move(page));
  for (auto& [number, marks] : newRegions) pages.addRegions(number, std::move(marks));
  if (done && !pages.complete()) pages.finish(truncated);
  return done;
}

void PageFeed::cancel() {
  const std::lock_guard lock(mutex_);
  cancelled_ = true;
  pages_.clear();
  regions_.clear();
}

}  // namespace maravel
