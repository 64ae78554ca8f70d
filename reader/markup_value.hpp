// A form value that the UYAP system writes as a fragment of HTML (a real
// receipt's signature block is a table of one row whose centred cells hold
// names and titles), read into the model's own blocks. Its markup never
// reaches a run: what it means becomes structure, the rest is text.
//
// What is read:
// - `table`, `tr`, `td`, `th`: a table of rows of cells (`th` bold), each
//   cell's paragraphs aligned by its `align` (left, center, right,
//   justify); a cell or a row the markup leaves out is supplied;
// - `p`, `div`: a paragraph, aligned by its `align`; `br` ends a line (the
//   next one is a paragraph of its own, as runs hold no line feeds);
// - `b`, `strong` bold, `i`, `em` italic, `u` underline;
// - any other tag is dropped and its text kept; comments are dropped;
//   the entities &amp; &lt; &gt; &quot; &apos; &nbsp; and numeric ones are
//   decoded, any other stays as written; white space runs become one space.
//
// Bounds: at most kMaxTags tags are read (the rest of the value is text),
// tables nest at most kMaxTableDepth deep (a deeper table's cells are read
// as text of the cell around it), and a table has at most kMaxCells cells
// (later cells' text joins the last one). Work is linear in the value.
// Pure; safe on any thread.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel {

class MarkupValue {
 public:
  static constexpr std::size_t kMaxTags = 10'000;
  static constexpr int kMaxTableDepth = 4;
  static constexpr std::size_t kMaxCells = 1'000;

  // Whether the value is written as such a fragment: after white space it
  // opens with one of the tags above.
  static bool isMarkup(std::string_view value);

  // The blocks the value holds. Runs start from `run` (its font, size and
  // colours; bold, italic and underline are added, never taken away);
  // paragraphs from `paragraph`'s properties, without its runs and list
  // marker, their alignment replaced where the markup names one.
  static std::vector<DocumentElement> blocks(std::string_view value, const TextRun& run,
                                             const ParagraphItem& paragraph);
};

}  // namespace maravel
