// Documents crafted to break out of whatever a writer writes them into:
// every text field holds quotes, angle brackets, the ends of style, script,
// comment and CDATA, braces, backslashes, CSS functions, a NUL, a lone
// surrogate (as CESU bytes), invalid UTF-8 and line separators; every
// number is NaN, infinite or huge. The safety tests of the writers feed them
// in and check that only the writer's own markup comes out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel::testing {

// The hostile text.
extern const std::string kHostile;

// A model with the hostile text and numbers in every field, with a
// signature summary or with a verification code.
UDFDocument hostileDocument(bool signedDocument);

// The same texts as a .udf archive can carry them: attribute values and
// the text block escaped for XML, a certificate-like signature whose common
// name holds markup.
std::vector<std::uint8_t> hostileArchive();

}  // namespace maravel::testing
