// A header or footer band of the paged layout: the region's elements, with
// the page lines written in their text numbered for each page, followed by
// the lines paper adds of its own (the footer's page number and the
// verification line), which keep their own colours.
//
// What does not change from page to page is laid out once, on first use,
// and copied onto every page; only the elements that show a page line and
// the page number line are laid out again for each page, so that a long
// document's header costs its marks per page, not its layout.
//
// Internal to paper/. A band borrows the elements and the document they
// come from, which must outlive it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/udf_document.hpp"
#include "paper/block_layout.hpp"
#include "paper/paper_document.hpp"

namespace maravel {

class PageBand {
 public:
  // `numbersText`: page lines in the elements' text ("Sayfa 1 / 1") show
  // each page's number and the page count.
  PageBand(const std::vector<DocumentElement>& elements, std::optional<std::uint32_t> color,
           bool numbersText);

  // After the elements, each page's number in the format's own look.
  void addPageNumber(const PageNumberFormat& format);
  // Last, the verification code and where it can be checked, in the words
  // of the preview page's badge.
  void addVerificationLine(const std::string& code);

  // True when the band shows something: visible text or a picture in its
  // elements, a page number or a line of its own.
  bool visible() const { return visible_ || pageNumber_ || !lines_.empty(); }

  // The band's height, as the first page of one shows it; 0 when it is not
  // visible. Every call with one band passes the same `width`.
  double height(BlockLayout& blocks, double width);

  // The band's marks on page `page` (from 1) of `total`, from its top-left
  // corner, appended to `out`; returns the band's height there.
  double marks(BlockLayout& blocks, double width, int page, int total, PaperMarks& out);

 private:
  // One element of the region or one line of paper's own, in band order.
  struct Part {
    const DocumentElement* element = nullptr;  // null for the page number line
    bool own = false;                          // drawn in its own colours
    bool perPage = false;                      // shows the page's number
    std::size_t lineBudget = 0;                // the band's lines left before it
    std::size_t textBudget = 0;                // and its run text
    std::vector<PaperBlock> blocks;            // laid out once when not perPage
  };

  void prepare(BlockLayout& blocks, double width);
  std::vector<PaperBlock> layoutPart(BlockLayout& blocks, double width, const Part& part, int page,
                                     int total) const;
  std::vector<PaperBlock> layout(BlockLayout& blocks, double width, int page, int total);

  const std::vector<DocumentElement>& elements_;
  std::optional<std::uint32_t> color_;
  bool visible_;
  bool numbered_;
  std::optional<PageNumberFormat> pageNumber_;
  std::vector<DocumentElement> lines_;
  std::vector<Part> parts_;
  bool prepared_ = false;
};

}  // namespace maravel
