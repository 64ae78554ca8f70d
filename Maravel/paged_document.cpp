#include "Maravel/paged_document.hpp"

#include <utility>

namespace maravel {

PagedDocument::PagedDocument(std::shared_ptr<const UDFDocument> document) : document_(std::move(document)) {}

void PagedDocument::addPage(PaperPage&& page) {
  pages_.push_back(std::move(page));
  texts_.emplace_back();
}

void PagedDocument::addRegions(int number, PaperMarks&& marks) {
  if (number < 1 || static_cast<std::size_t>(number) > pages_.size()) return;
  const auto index = static_cast<std::size_t>(number - 1);
  pages_[index].marks.append(std::move(marks), 0, 0);
  texts_[index].reset();  // its texts moved
}

void PagedDocument::finish(bool truncated) {
  complete_ = true;
  truncated_ = truncated;
}

PagedDocument::Text& PagedDocument::pageText(std::size_t index) {
  if (!texts_[index]) {
    PageText text(pages_[index].marks);
    FoldedText folded(text.text());
    texts_[index] = std::make_unique<Text>(Text{std::move(text), std::move(folded)});
  }
  return *texts_[index];
}

const PageText& PagedDocument::text(std::size_t index) { return pageText(index).text; }

std::vector<PageMatch> PagedDocument::find(std::string_view needle) {
  std::vector<PageMatch> matches;
  const TextSearch search(needle);
  if (search.empty()) return matches;
  for (std::size_t index = 0; index < pages_.size(); ++index) {
    const Text& page = pageText(index);
    for (const TextRange& range : search.find(page.folded))
      matches.push_back({index, range});
  }
  return matches;
}

}  // namespace maravel
