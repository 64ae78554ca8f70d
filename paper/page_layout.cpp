#include "paper/page_layout.hpp"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "html/document_writer.hpp"
#include "paper/block_layout.hpp"
#include "paper/line_layout.hpp"
#include "paper/page_flow.hpp"
#include "paper/page_numbers.hpp"
#include "platform/breaks/line_breaks.hpp"

namespace maravel {

namespace {

// A header or footer: laid out once to know its height, and again for each
// page when it holds a page line.
class Region {
 public:
  Region(const std::vector<DocumentElement>& elements, std::optional<std::uint32_t> color)
      : elements_(elements),
        color_(color),
        visible_(DocumentWriter::hasVisibleContent(elements)),
        numbered_(visible_ && PageNumbers::present(elements)) {}

  bool visible() const { return visible_; }

  double height(BlockLayout& blocks, double width) {
    if (!visible_) return 0;
    blocks.setLineBudget(PageLayout::kMaxRegionLines);
    return stackedHeight(blocks.layout(elements_, width, color_));
  }

  // The region's marks for one page, from its top-left corner, and its height.
  double marks(BlockLayout& blocks, double width, int page, int total, PaperMarks& out) const {
    blocks.setLineBudget(PageLayout::kMaxRegionLines);
    std::vector<PaperBlock> laid =
        numbered_ ? blocks.layout(PageNumbers::apply(elements_, page, total), width, color_)
                  : blocks.layout(elements_, width, color_);
    std::size_t next = 0;
    return PageFlow::fill(laid, next, std::numeric_limits<double>::infinity(), true, out);
  }

 private:
  const std::vector<DocumentElement>& elements_;
  std::optional<std::uint32_t> color_;
  bool visible_;
  bool numbered_;
};

bool headerOnPage(const UDFDocument& doc, int page) { return page >= doc.headerStartPage; }

}  // namespace

PaperDocument PageLayout::layout(const UDFDocument& doc) {
  FontBook fonts;
  return layout(doc, fonts);
}

PaperDocument PageLayout::layout(const UDFDocument& doc, FontBook& fonts) {
  const PageProperties& props = doc.pageProps;
  const double width = std::max(props.pageWidth() - props.leftMargin - props.rightMargin, kMinContentWidth);
  breaks::LineBreaks breaks;
  LineLayout lines(fonts, breaks);
  BlockLayout blocks(lines);

  Region header(doc.headerElements, doc.headerColor);
  Region footer(doc.footerElements, doc.footerColor);
  const double headerHeight = header.height(blocks, width);
  const double footerHeight = footer.height(blocks, width);
  const double bodyBottom =
      props.pageHeight() - props.bottomMargin - (footer.visible() ? footerHeight + kFooterGap : 0);

  PaperDocument paper;
  blocks.setLineBudget(kMaxBodyLines);
  std::vector<PaperBlock> body = blocks.layout(doc.elements, width, std::nullopt);
  const bool cut = blocks.cut();
  std::size_t next = 0;
  do {
    PaperPage page;
    page.number = static_cast<int>(paper.pages.size()) + 1;
    page.width = props.pageWidth();
    page.height = props.pageHeight();
    const double top =
        props.topMargin + (header.visible() && headerOnPage(doc, page.number) ? headerHeight : 0);
    PaperMarks marks;
    PageFlow::fill(body, next, std::max(bodyBottom - top, kMinBodyHeight), true, marks);
    page.marks.append(std::move(marks), props.leftMargin, top);
    paper.pages.push_back(std::move(page));
  } while (next < body.size() && paper.pages.size() < kMaxPages);
  paper.truncated = cut || next < body.size();

  const int total = static_cast<int>(paper.pages.size());
  for (PaperPage& page : paper.pages) {
    if (header.visible() && headerOnPage(doc, page.number)) {
      PaperMarks marks;
      header.marks(blocks, width, page.number, total, marks);
      page.marks.append(std::move(marks), props.leftMargin, props.topMargin);
    }
    if (footer.visible()) {
      PaperMarks marks;
      const double height = footer.marks(blocks, width, page.number, total, marks);
      page.marks.append(std::move(marks), props.leftMargin, props.pageHeight() - props.bottomMargin - height);
    }
  }
  return paper;
}

}  // namespace maravel
