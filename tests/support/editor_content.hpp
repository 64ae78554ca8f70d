// content.xml as the official editor writes it, for tests, fuzz seeds and
// benchmarks that build documents inline.
#pragma once

#include <string>

namespace maravel::testing {

// The declaration, the text block in one CDATA block, an A4 page format,
// `elements` inside <elements resolver="hvl-default" + elementsAttributes>,
// then the editor's two default styles followed by `styles`.
inline std::string editorContent(const std::string& text, const std::string& elements,
                                 const std::string& elementsAttributes = "", const std::string& styles = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?> \n\n<template format_id=\"1.8\" >\n<content><![CDATA[" +
         text +
         "]]></content><properties><pageFormat mediaSizeName=\"1\" leftMargin=\"42.52\" "
         "rightMargin=\"42.52\" "
         "topMargin=\"42.52\" bottomMargin=\"42.52\" paperOrientation=\"1\" /></properties>\n"
         "<elements resolver=\"hvl-default\"" +
         elementsAttributes + ">\n" + elements +
         "\n</elements>\n<styles><style name=\"default\" size=\"12\" bold=\"false\" italic=\"false\" "
         "description=\"Geçerli\" foreground=\"-16777216\" family=\"Dialog\" />"
         "<style name=\"hvl-default\" size=\"12\" description=\"Gövde\" family=\"Times New Roman\" />" +
         styles + "</styles>\n</template>\n";
}

}  // namespace maravel::testing
