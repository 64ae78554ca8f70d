// Crafted documents at the reader's and writer's bounds: each is built in
// memory, shaped like the editor's files, and costs as much as a hostile
// file of its kind can. The worst-case test runs them through the three
// doors; bench/worst_case_bench measures the time and memory they take.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/editor_content.hpp"

namespace maravel::testing {

struct WorstCase {
  std::string name;   // short identifier
  std::string what;   // the document, in a few words
  std::string bound;  // the bound that keeps it cheap
  std::function<std::vector<std::uint8_t>()> archive;
};

// In the order of the README's table.
const std::vector<WorstCase>& worstCases();

}  // namespace maravel::testing
