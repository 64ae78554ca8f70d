// The plain text writer; the udftotext command is in commandline_test.
#include <gtest/gtest.h>

#include "tools/plain_text_writer.hpp"

namespace maravel {
namespace {

ParagraphItem paragraph(std::vector<std::string> texts) {
  ParagraphItem p;
  for (std::string& text : texts) p.runs.emplace_back().text = std::move(text);
  return p;
}

// The reading order (header, body with table cells row by row and list
// markers, footer) is in every golden document's .txt.
TEST(UdftotextTest, ControlCharactersAreLeftOut) {
  UDFDocument doc;
  doc.elements.push_back(paragraph({"DAVACI\t: ", "Deneme\x01 Örnek"}));
  EXPECT_EQ(PlainTextWriter::write(doc), "DAVACI\t: Deneme Örnek\n");
  EXPECT_EQ(PlainTextWriter::write(UDFDocument{}), "");
}

}  // namespace
}  // namespace maravel
