#include "Maravel/paged_document.hpp"

#include <utility>

namespace maravel {

PagedDocument::PagedDocument(std::shared_ptr<const UDFDocument> document) : document_(std::move(document)) {}

namespace {

constexpr std::size_t kKeptTexts = 24;  // more than a screen shows at the smallest zoom

}  // namespace

void PagedDocument::addPage(PaperPage&& page) {
  pages_.push_back(std::move(page));
  texts_.emplace_back();
  folded_.emplace_back();
}

void PagedDocument::addRegions(int number, PaperMarks&& marks) {
  if (number < 1 || static_cast<std::size_t>(number) > pages_.size()) return;
  const auto index = static_cast<std::size_t>(number - 1);
  pages_[index].marks.append(std::move(marks), 0, 0);
  texts_[index].reset();  // its texts moved
  folded_[index].reset();
  std::erase(kept_, index);
}

void PagedDocument::finish(bool truncated) {
  complete_ = true;
  truncated_ = truncated;
}

const PageText& PagedDocument::text(std::size_t index) {
  if (!texts_[index]) {
    texts_[index] = std::make_unique<PageText>(pages_[index].marks);
    kept_.push_back(index);
    if (kept_.size() > kKeptTexts) {
      texts_[kept_.front()].reset();
      kept_.pop_front();
    }
  }
  return *texts_[index];
}

const FoldedText& PagedDocument::folded(std::size_t index) {
  if (!folded_[index]) {
    if (texts_[index]) {
      folded_[index] = std::make_unique<FoldedText>(texts_[index]->text());
    } else {  // from a text of its own, not kept: the page need not be in sight
      const PageText made(pages_[index].marks);
      folded_[index] = std::make_unique<FoldedText>(made.text());
    }
  }
  return *folded_[index];
}

std::vector<PageMatch> PagedDocument::find(std::string_view needle) {
  std::vector<PageMatch> matches;
  const TextSearch search(needle);
  if (search.empty()) return matches;
  for (std::size_t index = 0; index < pages_.size(); ++index) {
    for (const TextRange& range : search.find(folded(index))) matches.push_back({index, range});
  }
  return matches;
}

}  // namespace maravel
