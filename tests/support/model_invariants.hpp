// Checks the promises the reader makes about every model it returns, for
// tests and fuzz harnesses to call after each parse.
//
// Runs hold no CR or LF and picture runs no text; font sizes are positive and
// finite, families non-empty; tab stops are sorted and within the per-
// paragraph bound; pictures have a non-empty base64 text of the base64
// alphabet only and display sizes of at least 1; hanging and line spacing
// are not negative; column spans are never an empty list; tables nest no
// deeper than the element builder's bound. The walk uses no recursion.
#pragma once

#include <string>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel::testing {

// One line per violation, naming where it is; empty when all hold.
std::vector<std::string> modelViolations(const UDFDocument& document);
std::vector<std::string> modelViolations(const std::vector<DocumentElement>& elements);

}  // namespace maravel::testing
