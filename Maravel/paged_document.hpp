// The pages of the shown document as the page view holds them: laid out in
// the background and handed over page by page (the body of each as soon as
// it is filled, its header and footer once the page count is known), so that
// the first page is on screen before the last is laid out.
//
// Find runs over the pages that are there, with TextSearch, on each page's
// folded text, made the first time it is needed and kept. A page's text
// with where its characters stand (PageText) is made when asked for; only
// the last few asked for are kept, so that a thousand pages searched do not
// hold a thousand of them. One thread.
#pragma once

#include <cstddef>
#include <deque>
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

  // The text of page `index` (below pageCount()), valid until the next call.
  const PageText& text(std::size_t index);
  // Makes page `index` ready for find (below pageCount()).
  void prepareFind(std::size_t index) { folded(index); }

  // Every match of `needle` on the pages there, page by page in order.
  std::vector<PageMatch> find(std::string_view needle);

 private:
  std::shared_ptr<const UDFDocument> document_;
  std::vector<PaperPage> pages_;
  const FoldedText& folded(std::size_t index);
  std::vector<std::unique_ptr<FoldedText>> folded_;
  std::vector<std::unique_ptr<PageText>> texts_;
  std::deque<std::size_t> kept_;  // the pages whose texts_ are kept, oldest first
  bool complete_ = false;
  bool truncated_ = false;
};

}  // namespace maravel
