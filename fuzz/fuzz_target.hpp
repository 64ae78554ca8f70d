// What every harness checks for one input: the reader either gives no
// document or one that keeps the model's promises, and the page writer
// turns that document into a page without failing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "html/html_renderer.hpp"
#include "reader/udf_parser.hpp"
#include "tests/support/model_invariants.hpp"

namespace maravel::fuzz {

inline void parseAndRender(std::span<const std::uint8_t> archive) {
  const std::optional<UDFDocument> doc = UDFParser::parse(archive);
  if (!doc) return;
  for (const std::string& violation : testing::modelViolations(*doc)) {
    std::fprintf(stderr, "model violation: %s\n", violation.c_str());
    std::abort();
  }
  const std::string page = UDFHTMLRenderer::renderHTML(*doc, "fuzz.udf");
  if (page.rfind("<!DOCTYPE html>\n", 0) != 0) std::abort();
}

}  // namespace maravel::fuzz
