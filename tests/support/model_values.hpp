// Model values for the writer suites, built in one call.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel::testing {

// A run of `text` in `family` at `size` points, otherwise plain.
inline TextRun textRun(std::string text, double size = 12, std::string family = "Times New Roman") {
  TextRun run;
  run.text = std::move(text);
  run.fontSize = size;
  run.fontFamily = std::move(family);
  return run;
}

// A paragraph of `runs` with every property at its default.
inline ParagraphItem paragraphOf(std::vector<TextRun> runs) {
  ParagraphItem paragraph;
  paragraph.runs = std::move(runs);
  return paragraph;
}

}  // namespace maravel::testing
