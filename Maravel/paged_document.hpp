// The pages of the shown document as the page view holds them: laid out in
// the background and handed over page by page (the body of each as soon as
// it is filled, its header and footer once the page count is known), so that
// the first page is on screen before the last is laid out.
//
// Find runs over the pages that are there, with TextSearch; a page's text
// (PageText) is made the first time it is asked for. One thread.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "Maravel/text_search.hpp"
#include "model/udf_document.hpp"
#include "paper/page_text.hpp"
#include "paper/paper_document.hpp"

namespace maravel {

// One match of a find: the page (from 0) and the range of its PageText.
struct PageMatch {
  std::size_t page = 0;
  TextRange range;
  friend bool operator==(const PageMatch&, const PageMatch&) = default;
};

class PagedDocument {
 public:
  // The marks point into `document`, which the pages keep alive.
  explicit PagedDocument(std::shared_ptr<const UDFDocument> document);

  // The next page's body.
  void addPage(PaperPage&& page);
  // The header and footer of page `number` (from 1), added to it.
  void addRegions(int number, PaperMarks&& marks);
  // Every page is there; `truncated` as PaperDocument says.
  void finish(bool truncated);

  std::size_t pageCount() const { return pages_.size(); }
  bool complete() const { return complete_; }
  bool truncated() const { return truncated_; }
  const PaperPage& page(std::size_t index) const { return pages_[index]; }
  const UDFDocument& document() const { return *document_; }

  // The text of page `index` (below pageCount()).
  const PageText& text(std::size_t index);

  // Every match of `needle` on the pages there, page by page in order.
  std::vector<PageMatch> find(std::string_view needle);

 private:
  std::shared_ptr<const UDFDocument> document_;
  std::vector<PaperPage> pages_;
  // A page's text with its folded form for find.
  struct Text {
    PageText text;
    FoldedText folded;
  };
  Text& pageText(std::size_t index);
  std::vector<std::unique_ptr<Text>> texts_;
  bool complete_ = false;
  bool truncated_ = false;
};

}  // namespace maravel
