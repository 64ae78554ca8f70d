// udfdump FILE: prints the document that the reader makes of a .udf file as
// one JSON object whose keys are the model's field names.
//
// Exit status: 0 with a document, 1 when the reader yields no document,
// 2 for a usage error or a file that cannot be read.

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/udf_document.hpp"
#include "platform/quicklook/file_contents.hpp"
#include "reader/udf_parser.hpp"
#include "tools/signature_json.hpp"

namespace {

using namespace maravel;
using tools::Json;

constexpr std::string_view kUsage =
    "usage: udfdump FILE\n"
    "Prints the document read from the .udf file FILE as JSON.\n"
    "Exit status: 0 document printed, 1 no document in the file, 2 usage or read error.\n";

Json elementsJson(const std::vector<DocumentElement>& elements);

template <typename T>
Json optionalJson(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

const char* alignmentName(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::center:
      return "center";
    case TextAlignment::right:
      return "right";
    case TextAlignment::justify:
      return "justify";
    case TextAlignment::left:
      break;
  }
  return "left";
}

Json imageJson(const InlineImage& image) {
  return Json{{"base64", image.base64},
              {"mimeType", image.mimeType},
              {"width", image.width},
              {"height", image.height}};
}

Json runJson(const TextRun& run) {
  return Json{{"text", run.text},
              {"bold", run.bold},
              {"italic", run.italic},
              {"underline", run.underline},
              {"strikethrough", run.strikethrough},
              {"isSubscript", run.isSubscript},
              {"isSuperscript", run.isSuperscript},
              {"fontSize", run.fontSize},
              {"fontFamily", run.fontFamily},
              {"foreground", optionalJson(run.foreground)},
              {"background", optionalJson(run.background)},
              {"image", run.image ? imageJson(*run.image) : Json(nullptr)}};
}

Json tabStopsJson(const std::optional<std::vector<TabStop>>& stops) {
  if (!stops) return nullptr;
  Json list = Json::array();
  for (const auto& stop : *stops)
    list.push_back(Json{{"position", stop.position}, {"alignment", stop.alignment}});
  return list;
}

Json paragraphJson(const ParagraphItem& paragraph) {
  Json runs = Json::array();
  for (const auto& run : paragraph.runs) runs.push_back(runJson(run));
  return Json{{"runs", std::move(runs)},
              {"alignment", alignmentName(paragraph.alignment)},
              {"leftIndent", paragraph.leftIndent},
              {"rightIndent", paragraph.rightIndent},
              {"firstLineIndent", paragraph.firstLineIndent},
              {"hanging", paragraph.hanging},
              {"spaceAbove", paragraph.spaceAbove},
              {"spaceBelow", paragraph.spaceBelow},
              {"lineSpacing", paragraph.lineSpacing},
              {"tabStops", tabStopsJson(paragraph.tabStops)},
              {"listMarker", optionalJson(paragraph.listMarker)}};
}

Json borderJson(const std::optional<TableBorder>& border) {
  if (!border) return nullptr;
  return Json{{"kind", border->kind}, {"color", optionalJson(border->color)}, {"width", border->width}};
}

Json tableJson(const TableItem& table) {
  Json rows = Json::array();
  for (const auto& row : table.rows) {
    Json cells = Json::array();
    for (const auto& cell : row.cells) {
      cells.push_back(Json{{"elements", elementsJson(cell.elements)}, {"border", borderJson(cell.border)}});
    }
    rows.push_back(Json{{"cells", std::move(cells)},
                        {"columnSpans", optionalJson(row.columnSpans)},
                        {"height", row.height},
                        {"border", borderJson(row.border)}});
  }
  return Json{{"rows", std::move(rows)},
              {"columnSpans", optionalJson(table.columnSpans)},
              {"border", borderJson(table.border)}};
}

Json elementsJson(const std::vector<DocumentElement>& elements) {
  Json list = Json::array();
  for (const auto& element : elements) {
    if (const auto* paragraph = element.paragraph()) {
      list.push_back(Json{{"paragraph", paragraphJson(*paragraph)}});
    } else if (const auto* table = element.table()) {
      list.push_back(Json{{"table", tableJson(*table)}});
    }
  }
  return list;
}

Json pageJson(const PageProperties& page) {
  return Json{{"leftMargin", page.leftMargin},   {"rightMargin", page.rightMargin},
              {"topMargin", page.topMargin},     {"bottomMargin", page.bottomMargin},
              {"orientation", page.orientation}, {"mediaSize", page.mediaSize},
              {"pageWidth", page.pageWidth()},   {"pageHeight", page.pageHeight()}};
}

Json documentJson(const UDFDocument& doc) {
  return Json{{"elements", elementsJson(doc.elements)},
              {"headerElements", elementsJson(doc.headerElements)},
              {"footerElements", elementsJson(doc.footerElements)},
              {"headerStartPage", doc.headerStartPage},
              {"headerColor", optionalJson(doc.headerColor)},
              {"footerColor", optionalJson(doc.footerColor)},
              {"pageProps", pageJson(doc.pageProps)},
              {"verificationCode", doc.verificationCode},
              {"webID", doc.webID},
              {"signature", tools::signatureJson(doc.signature)},
              {"rawText", doc.rawText}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::cout << "udfdump " << MARAVEL_VERSION << "\n";
    return 0;
  }
  if (argc != 2 || std::string_view(argv[1]).starts_with("-")) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string path = argv[1];
  auto data = quicklook::readFileContents(path);
  if (!data) {
    std::cerr << "udfdump: cannot read " << path << "\n";
    return 2;
  }
  auto doc = UDFParser::parse(*data);
  if (!doc) {
    std::cerr << "udfdump: " << path << " holds no readable document\n";
    return 1;
  }
  std::cout << documentJson(*doc).dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
  return 0;
}
