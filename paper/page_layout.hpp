// The paged layout: a document on sheets of its paper size, orientation and
// margins, laid out like the preview page so that lines break at the same
// words and tabs land on the same stops.
//
// Each page holds the header (from the header's start page on), the body
// as far as it fits, and the footer. The bands stand at the page format's
// header and footer offsets from the paper's edges when those lie inside
// the margins, and the body keeps the room the margins give it; without
// offsets the header starts at the top margin and pushes the body down, and
// the footer ends at the bottom margin, kFooterGap below the body.
// Paragraphs move to the next page line by line, table rows split between
// pages with each cell continuing there, a line is never cut. Page lines in
// the header and footer ("Sayfa 1 / 1") show each page's number and the
// page count; a footer that carries its page number as attributes
// (PageNumberFormat) gets it as a line of its own instead, in its own face,
// size and colour. A document with a verification code prints it, with
// where it can be checked, as the footer's last line on every page.
// Pictures keep their size, list markers come from the reader, so
// numbering runs on across pages.
//
// Pure and safe on any thread: every call builds its own font book. Never
// fails; a document of no content gives one empty page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "html/font_book.hpp"
#include "model/udf_document.hpp"
#include "paper/paper_document.hpp"

namespace maravel {

class PageLayout {
 public:
  // `fileBytes`, the size of the file the document came from, bounds the
  // body's text (textBytesFor) and the pages (pagesFor); without it only
  // kMaxPages and kMaxBodyLines do.
  static PaperDocument layout(const UDFDocument& doc, std::optional<std::size_t> fileBytes = std::nullopt);
  // The same with a font book the caller keeps (one thread).
  static PaperDocument layout(const UDFDocument& doc, FontBook& fonts,
                              std::optional<std::size_t> fileBytes = std::nullopt);
  // The same pages handed over as they are made, so that a caller drawing
  // them never holds more than one: `body` takes each page with its body's
  // marks as soon as it is filled; once the page count is known, `regions`
  // takes each page's number (from 1) and its header's and footer's marks.
  // True when the result is truncated.
  static bool layoutPages(const UDFDocument& doc, FontBook& fonts, std::optional<std::size_t> fileBytes,
                          const std::function<void(PaperPage&&)>& body,
                          const std::function<void(int, PaperMarks&&)>& regions);

  // The layout stops after this many pages, or this many lines of the body,
  // and marks the result truncated; a header or footer shows at most
  // kMaxRegionLines lines.
  static constexpr std::size_t kMaxPages = 10000;
  static constexpr std::size_t kMaxBodyLines = 200000;
  static constexpr std::size_t kMaxRegionLines = 1000;

  // The body's run text laid out from a file of `fileBytes` bytes:
  // kTextAllowance plus kTextBytesPerFileByte for each of its bytes (a
  // thousand-page decision holds 1.5 bytes of text per byte of its file).
  // What follows is left out and the result marked truncated: a few
  // kilobytes that inflate to a hundred megabytes of text cost what a
  // document of their own size costs.
  static constexpr std::size_t kTextAllowance = std::size_t{1} << 20;
  static constexpr std::size_t kTextBytesPerFileByte = 4;
  static std::size_t textBytesFor(std::size_t fileBytes);
  // Pages made from a file of `fileBytes` bytes: kPageAllowance plus one
  // for every kFileBytesPerPage of it, at most kMaxPages (a thousand-page
  // decision has 2.9 KB of file a page): every page repeats the header and
  // footer, so that a small file of empty paragraphs under a tall header
  // would otherwise draw ten thousand of them.
  static constexpr std::size_t kPageAllowance = 100;
  static constexpr std::size_t kFileBytesPerPage = 64;
  static std::size_t pagesFor(std::size_t fileBytes);
  // A header or footer lays out at most this much run text. The elements
  // showing a page line are laid out again for every page while their text
  // together stays within kMaxNumberedRegionBytes; later ones keep the page
  // line as written.
  static constexpr std::size_t kMaxRegionTextBytes = std::size_t{64} << 10;
  static constexpr std::size_t kMaxNumberedRegionBytes = 512;
  // Between the body's room and the footer, as on the preview page.
  static constexpr double kFooterGap = 18;
  // The body's room on a page is never less than this, whatever the margins.
  static constexpr double kMinBodyHeight = 36;
  // The content width is never less than this, as on the preview page.
  static constexpr double kMinContentWidth = 100;
  // Paper prints at most this many characters of a verification code and
  // of a page number's prefix and separator (UYAP's codes have eight), and
  // cuts longer ones with an ellipsis, so that a hostile one cannot fill the
  // foot of every page. The verification line is Arial of this size, in
  // this grey.
  static constexpr std::size_t kMaxPrintedText = 64;
  static constexpr double kVerificationSize = 8;
  static constexpr std::uint32_t kVerificationColor = 0x555555;
};

}  // namespace maravel
