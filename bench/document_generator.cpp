#include "bench/document_generator.hpp"

#include "tests/support/zip_writer.hpp"

namespace maravel::bench {

namespace {

const std::string kLine =
    "Davacı vekili dava dilekçesinde özetle;\ttaraflar arasındaki kira ilişkisinin sona erdiğini ileri "
    "sürmüştür.\n";

std::string generatedTabSet(std::size_t stops) {
  std::string tabs;
  for (std::size_t i = 1; i <= stops; ++i) {
    if (!tabs.empty()) tabs += ',';
    tabs += std::to_string(i * 36) + ".0:0:0";
  }
  return tabs;
}

std::string header(const std::string& text, const std::string& elementAttributes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n<template format_id=\"1.8\" >\n<content><![CDATA[" +
         text +
         "]]></content><properties><pageFormat mediaSizeName=\"1\" leftMargin=\"70.86614227294922\" "
         "rightMargin=\"56.69291305541992\" topMargin=\"42.51968479156494\" "
         "bottomMargin=\"42.51968479156494\" "
         "paperOrientation=\"1\" /></properties>\n<elements resolver=\"hvl-default\"" +
         elementAttributes + ">\n";
}

const std::string kFooter =
    "</elements>\n<styles><style name=\"default\" family=\"Dialog\" size=\"12\" /><style "
    "name=\"hvl-default\" "
    "family=\"Times New Roman\" size=\"12\" /><style name=\"edf_1700000000001\" resolver=\"hvl-default\" "
    "/></styles>\n</template>\n";

std::string paragraph(std::size_t offset, std::size_t length, const std::string& tabs) {
  return "<paragraph LineSpacing=\"0.0\" SpaceBelow=\"1.0\" LeftIndent=\"0.0\" TabSet=\"" + tabs +
         "\" Alignment=\"3\" resolver=\"edf_1700000000001\"><content resolver=\"edf_1700000000001\" "
         "startOffset=\"" +
         std::to_string(offset) + "\" length=\"" + std::to_string(length) + "\" /></paragraph>";
}

std::string table(std::size_t offset, std::size_t length) {
  std::string cell = "<cell>" + paragraph(offset, length, "72.0:0:0") + "</cell>";
  std::string row = "<row>" + cell + cell + cell + "</row>";
  return "<table columnSpans=\"200,100,100\" border=\"borderCell\" borderWidth=\"0.5\">" + row + row +
         "</table>";
}

std::size_t utf16Length(const std::string& utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

}  // namespace

std::string editorContent(std::size_t paragraphs) {
  std::string text;
  for (std::size_t i = 0; i < paragraphs; ++i) text += kLine;
  std::string xml = header(text, "");
  const std::string tabs = generatedTabSet(180);
  const std::size_t lineUnits = utf16Length(kLine);
  for (std::size_t i = 0; i < paragraphs; ++i) {
    xml += i % 20 == 19 ? table(i * lineUnits, lineUnits - 1) : paragraph(i * lineUnits, lineUnits - 1, tabs);
  }
  return xml + kFooter;
}

std::string inheritedTabSetContent(std::size_t paragraphs, std::size_t tabSetBytes) {
  std::string tabs;
  for (std::size_t i = 1; tabs.size() < tabSetBytes; ++i) tabs += std::to_string(i) + ".5:1:0,";
  std::string xml = header("Kısa metin\tbir sekme.", " TabSet=\"" + tabs + "\"");
  for (std::size_t i = 0; i < paragraphs; ++i) {
    xml += "<paragraph><content startOffset=\"0\" length=\"21\" /></paragraph>";
  }
  return xml + kFooter;
}

std::string overlappingRunsContent(std::size_t runs, std::size_t textUnits) {
  std::string xml = header(std::string(textUnits, 'a'), "");
  xml += "<paragraph>";
  const std::string run = "<content startOffset=\"0\" length=\"" + std::to_string(textUnits) + "\" />";
  for (std::size_t i = 0; i < runs; ++i) xml += run;
  return xml + "</paragraph>" + kFooter;
}

std::vector<std::uint8_t> pack(const std::string& content) { return testing::makeUdf(content); }

}  // namespace maravel::bench
