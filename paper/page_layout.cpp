#include "paper/page_layout.hpp"

#include <algorithm>
#include <optional>
#include <vector>

#include "paper/block_layout.hpp"
#include "paper/line_layout.hpp"
#include "paper/page_band.hpp"
#include "paper/page_flow.hpp"
#include "platform/breaks/line_breaks.hpp"

namespace maravel {

namespace {

// Where the bands and the body lie on a page, from the paper's top edge.
struct Placement {
  double headerTop = 0;
  double bodyTop = 0;  // on a page that shows the header
  double footerBottom = 0;
  double bodyBottom = 0;
};

// The editor puts a band at its offset from the paper's edge when that lies
// inside the margin, and leaves the body where the margins put it (moving
// it only as far as a band taller than its margin needs). Without an
// offset, or with one as large as the margin, the header starts at the top
// margin and pushes the body down, and the footer ends at the bottom
// margin, kFooterGap below the body.
Placement place(const PageProperties& props, double headerHeight, double footerHeight, bool footerShown) {
  Placement at;
  if (props.headerOffset && *props.headerOffset < props.topMargin) {
    at.headerTop = *props.headerOffset;
    at.bodyTop = std::max(props.topMargin, at.headerTop + headerHeight);
  } else {
    at.headerTop = props.topMargin;
    at.bodyTop = props.topMargin + headerHeight;
  }
  const double pageHeight = props.pageHeight();
  if (props.footerOffset && *props.footerOffset < props.bottomMargin) {
    at.footerBottom = pageHeight - *props.footerOffset;
    at.bodyBottom = std::min(pageHeight - props.bottomMargin, at.footerBottom - footerHeight);
  } else {
    at.footerBottom = pageHeight - props.bottomMargin;
    at.bodyBottom = at.footerBottom - (footerShown ? footerHeight + PageLayout::kFooterGap : 0);
  }
  return at;
}

bool headerOnPage(const UDFDocument& doc, int page) { return page >= doc.headerStartPage; }

}  // namespace

std::size_t PageLayout::textBytesFor(std::size_t fileBytes) {
  constexpr std::size_t kMost = static_cast<std::size_t>(-1);
  if (fileBytes > (kMost - kTextAllowance) / kTextBytesPerFileByte) return kMost;
  return kTextAllowance + kTextBytesPerFileByte * fileBytes;
}

std::size_t PageLayout::pagesFor(std::size_t fileBytes) {
  return std::min(kMaxPages, kPageAllowance + fileBytes / kFileBytesPerPage);
}

PaperDocument PageLayout::layout(const UDFDocument& doc, std::optional<std::size_t> fileBytes) {
  FontBook fonts;
  return layout(doc, fonts, fileBytes);
}

PaperDocument PageLayout::layout(const UDFDocument& doc, FontBook& fonts,
                                 std::optional<std::size_t> fileBytes) {
  PaperDocument paper;
  paper.truncated = layoutPages(
      doc, fonts, fileBytes,
      [&paper](PaperPage&& page) {
        // A document held whole keeps no glyphs: its painter shapes each text.
        page.marks.dropGlyphs();
        paper.pages.push_back(std::move(page));
      },
      [&paper](int number, PaperMarks&& regions) {
        regions.dropGlyphs();
        paper.pages[static_cast<std::size_t>(number - 1)].marks.append(std::move(regions), 0, 0);
      });
  return paper;
}

bool PageLayout::layoutPages(const UDFDocument& doc, FontBook& fonts, std::optional<std::size_t> fileBytes,
                             const std::function<void(PaperPage&&)>& bodyPage,
                             const std::function<void(int, PaperMarks&&)>& regions) {
  const PageProperties& props = doc.pageProps;
  const double width = std::max(props.pageWidth() - props.leftMargin - props.rightMargin, kMinContentWidth);
  breaks::LineBreaks breaks;
  LineLayout lines(fonts, breaks);
  BlockLayout blocks(lines);
  BlockLayout bands(lines);

  PageBand header(doc.headerElements, doc.headerColor, true);
  // A footer that carries its page number as attributes shows it on a line
  // of its own; its text is left as written.
  PageBand footer(doc.footerElements, doc.footerColor, !doc.pageNumber);
  if (doc.pageNumber) footer.addPageNumber(*doc.pageNumber);
  if (!doc.verificationCode.empty()) footer.addVerificationLine(doc.verificationCode);
  const double footerHeight = footer.height(bands, width);
  const Placement at = place(props, header.height(bands, width), footerHeight, footer.visible());

  blocks.setLineBudget(kMaxBodyLines);
  blocks.setTextBudget(fileBytes ? textBytesFor(*fileBytes) : static_cast<std::size_t>(-1));
  // The body is laid out element by element as the pages ask for it, so
  // that what lies past the last page costs nothing, and the blocks a page
  // took are let go once it is handed over.
  std::vector<PaperBlock> body;
  std::size_t laidElements = 0;
  // Blocks past `next` are laid out until they reach a point below `room`:
  // the page flow then meets the block that ends the page among them.
  const auto layOutAhead = [&](std::size_t next, double room) {
    const double reach = room + 1;
    double ahead = 0;
    for (std::size_t i = next; i < body.size() && ahead <= reach; ++i) ahead += body[i].height;
    while (ahead <= reach && laidElements < doc.elements.size()) {
      std::vector<PaperBlock> more =
          blocks.layout(std::span(&doc.elements[laidElements++], 1), width, std::nullopt);
      for (PaperBlock& block : more) {
        ahead += block.height;
        body.push_back(std::move(block));
      }
    }
  };
  std::size_t next = 0;
  int pages = 0;
  const std::size_t maxPages = fileBytes ? pagesFor(*fileBytes) : kMaxPages;
  do {
    PaperPage page;
    page.number = ++pages;
    page.width = props.pageWidth();
    page.height = props.pageHeight();
    const double top = header.visible() && headerOnPage(doc, page.number) ? at.bodyTop : props.topMargin;
    const double room = std::max(at.bodyBottom - top, kMinBodyHeight);
    layOutAhead(next, room);
    PaperMarks marks;
    PageFlow::fill(body, next, room, true, marks);
    page.marks.append(std::move(marks), props.leftMargin, top);
    bodyPage(std::move(page));
    // The blocks placed are empty shells; they are let go once they make up
    // half the column, so that a paragraph of many lines is not moved along
    // once a page.
    if (next * 2 >= body.size()) {
      body.erase(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(next));
      next = 0;
    }
    layOutAhead(next, 0);
  } while (next < body.size() && static_cast<std::size_t>(pages) < maxPages);
  const bool truncated = blocks.cut() || next < body.size() || laidElements < doc.elements.size();

  for (int number = 1; number <= pages; ++number) {
    PaperMarks marks;
    if (header.visible() && headerOnPage(doc, number)) {
      PaperMarks band;
      header.marks(bands, width, number, pages, band);
      marks.append(std::move(band), props.leftMargin, at.headerTop);
    }
    if (footer.visible()) {
      PaperMarks band;
      const double height = footer.marks(bands, width, number, pages, band);
      marks.append(std::move(band), props.leftMargin, at.footerBottom - height);
    }
    regions(number, std::move(marks));
  }
  return truncated;
}

}  // namespace maravel
