// The plain text writer and the udftotext command.
#include <gtest/gtest.h>

#include "tests/support/scratch_folder.hpp"
#include "tools/plain_text_writer.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using testing::CommandResult;

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

TEST(UdftotextTest, Command) {
  const testing::ScratchFolder dir;
  const auto file = dir.write("karar.udf", testing::makeUdf(R"(<?xml version="1.0" encoding="UTF-8" ?> 

<template format_id="1.8" >
<content><![CDATA[ESAS NO	: 2026/7
Gerekçe
]]></content>
<elements resolver="hvl-default">
<paragraph TabSet="69.0:2:0" resolver="hvl-default"><content resolver="hvl-default" startOffset="0" length="16" /></paragraph>
<paragraph resolver="hvl-default"><content resolver="hvl-default" startOffset="17" length="7" /></paragraph>
</elements>
<styles><style name="hvl-default" family="Times New Roman" size="12" /></styles>
</template>
)"));
  const std::string command = MARAVEL_BINARY_DIR "/tools/udftotext";
  const CommandResult run = testing::runCommand(command, {file.string()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "ESAS NO\t: 2026/7\nGerekçe\n");
  EXPECT_EQ(testing::runCommand(command, {"-o", (dir.path() / "metin.txt").string(), file.string()}).status,
            0);
  EXPECT_EQ(testing::readFile(dir.path() / "metin.txt"), run.out);
}

}  // namespace
}  // namespace maravel
