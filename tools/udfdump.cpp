// udfdump FILE: prints the document that the reader makes of a .udf file as
// one JSON object whose keys are the model's field names. A tab stop list
// shared by several paragraphs is written once; later paragraphs refer to it
// with {"$ref": "#/elements/0/paragraph/tabStops"} (a JSON pointer).
//
// Exit status: 0 with a document, 1 when the reader yields no document,
// 2 for a usage error or a file that cannot be read.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/udf_document.hpp"
#include "reader/udf_parser.hpp"

namespace {

using Json = nlohmann::ordered_json;
using namespace maravel;

constexpr std::string_view kUsage =
    "usage: udfdump FILE\n"
    "Prints the document read from the .udf file FILE as JSON.\n"
    "Exit status: 0 document printed, 1 no document in the file, 2 usage or read error.\n";

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

Json borderJson(const std::optional<TableBorder>& border) {
  if (!border) return nullptr;
  return Json{{"kind", border->kind}, {"color", optionalJson(border->color)}, {"width", border->width}};
}

// The document as JSON. A tab stop list that paragraphs share (one tab
// setting inherited from a style) is written in full where it first appears
// and as {"$ref": "#/json/pointer/to/it"} everywhere after, so the output
// stays proportional to the document's own size.
class DocumentDump {
 public:
  Json document(const UDFDocument& doc) {
    return Json{{"elements", elements(doc.elements, "/elements")},
                {"headerElements", elements(doc.headerElements, "/headerElements")},
                {"footerElements", elements(doc.footerElements, "/footerElements")},
                {"headerStartPage", doc.headerStartPage},
                {"headerColor", optionalJson(doc.headerColor)},
                {"footerColor", optionalJson(doc.footerColor)},
                {"pageProps", pageJson(doc.pageProps)},
                {"verificationCode", doc.verificationCode},
                {"webID", doc.webID},
                {"signature", signatureJson(doc.signature)},
                {"rawText", doc.rawText}};
  }

 private:
  Json elements(const std::vector<DocumentElement>& list, const std::string& path) {
    Json json = Json::array();
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::string at = path + "/" + std::to_string(i);
      if (const auto* paragraph = list[i].paragraph()) {
        json.push_back(Json{{"paragraph", paragraphJson(*paragraph, at + "/paragraph")}});
      } else if (const auto* table = list[i].table()) {
        json.push_back(Json{{"table", tableJson(*table, at + "/table")}});
      }
    }
    return json;
  }

  Json tabStopsJson(const std::optional<TabStopList>& stops, const std::string& path) {
    if (!stops) return nullptr;
    if (!stops->empty()) {
      const auto [first, added] = firstPaths_.try_emplace(stops->identity(), path);
      if (!added) return Json{{"$ref", "#" + first->second}};
    }
    Json list = Json::array();
    for (const auto& stop : *stops)
      list.push_back(Json{{"position", stop.position}, {"alignment", stop.alignment}});
    return list;
  }

  Json paragraphJson(const ParagraphItem& paragraph, const std::string& path) {
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
                {"tabStops", tabStopsJson(paragraph.tabStops, path + "/tabStops")},
                {"listMarker", optionalJson(paragraph.listMarker)}};
  }

  Json tableJson(const TableItem& table, const std::string& path) {
    Json rows = Json::array();
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
      const TableRow& row = table.rows[r];
      const std::string rowPath = path + "/rows/" + std::to_string(r) + "/cells/";
      Json cells = Json::array();
      for (std::size_t c = 0; c < row.cells.size(); ++c) {
        const TableCell& cell = row.cells[c];
        cells.push_back(Json{{"elements", elements(cell.elements, rowPath + std::to_string(c) + "/elements")},
                             {"border", borderJson(cell.border)}});
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

  static Json pageJson(const PageProperties& page) {
    return Json{{"leftMargin", page.leftMargin},   {"rightMargin", page.rightMargin},
                {"topMargin", page.topMargin},     {"bottomMargin", page.bottomMargin},
                {"orientation", page.orientation}, {"mediaSize", page.mediaSize},
                {"pageWidth", page.pageWidth()},   {"pageHeight", page.pageHeight()}};
  }

  static Json signatureJson(const SignatureInfo& signature) {
    return Json{{"isSigned", signature.isSigned},
                {"signerName", signature.signerName},
                {"tcNumber", signature.tcNumber},
                {"issuer", signature.issuer},
                {"signingDate", signature.signingDate}};
  }

  // Where each shared list was first written, as a JSON pointer.
  std::unordered_map<const void*, std::string> firstPaths_;
};

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return data;
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
  auto data = readFile(path);
  if (!data) {
    std::cerr << "udfdump: cannot read " << path << "\n";
    return 2;
  }
  auto doc = UDFParser::parse(*data);
  if (!doc) {
    std::cerr << "udfdump: " << path << " holds no readable document\n";
    return 1;
  }
  std::cout << DocumentDump().document(*doc).dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
  return 0;
}
