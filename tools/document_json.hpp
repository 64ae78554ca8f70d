// A document as the JSON object udfdump prints: keys are the model's field
// names. A tab stop list shared by several paragraphs is written once; later
// paragraphs refer to it with {"$ref": "#/elements/0/paragraph/tabStops"} (a
// JSON pointer). A run of a form that was filled from the form's data carries
// "fieldName", the variable its text is the value of, right after "text".
//
// Written as it is made (nlohmann's layout with an indent of 2, no final line
// feed), so a large document's JSON is never held whole. Invalid UTF-8 in a
// string becomes U+FFFD. Pure and safe on any thread.
#pragma once

#include <ostream>

#include "model/udf_document.hpp"

namespace maravel::tools {

class DocumentJson {
 public:
  static void write(const UDFDocument& doc, std::ostream& out);
};

}  // namespace maravel::tools
