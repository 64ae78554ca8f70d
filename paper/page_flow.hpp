// Fills a page's body from a column of blocks: lines move whole to the next
// page, never cut; spacing that does not fit ends the page and is dropped;
// a table row that does not fit is split, each cell continuing on the next
// page with the lines that did not fit, and a row's own height carries over.
//
// Internal to paper/.
#pragma once

#include <cstddef>
#include <vector>

#include "paper/block_layout.hpp"
#include "paper/paper_document.hpp"

namespace maravel {

class PageFlow {
 public:
  // Places blocks from `blocks[next]` on into `room` points, appending their
  // marks to `out` from y = 0 down, and returns the height used. `next`
  // moves past what was placed; a split row stays at `next` with what is
  // left of it. With `pageStart`, the first block goes in even when it is
  // taller than the room, so that every page takes something.
  static double fill(std::vector<PaperBlock>& blocks, std::size_t& next, double room, bool pageStart,
                     PaperMarks& out);
};

}  // namespace maravel
