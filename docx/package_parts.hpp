// The parts of a Word copy around its content: content types,
// relationships, styles, settings and the three property parts.
//
// Internal to docx/. Pure functions; every value reaches the XML escaped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "docx/word_body.hpp"
#include "docx/xml_writer.hpp"
#include "model/udf_document.hpp"

namespace maravel::word {

inline constexpr std::string_view kRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
inline constexpr std::string_view kWordprocessing =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.";

// A part that is not covered by its extension: "/word/document.xml" and its type.
struct Override {
  std::string partName;
  std::string contentType;
};

// Opens the root element of a content part ("w:document", "w:hdr",
// "w:ftr") with the namespaces its content uses.
void openContentRoot(XmlWriter& xml, std::string_view name);

std::string contentTypes(const std::vector<Override>& overrides,
                         const std::vector<std::string>& imageExtensions);
std::string relationships(const std::vector<WordRelationship>& relationships);
// Times New Roman 12 with single lines and no space between paragraphs, in
// Turkish; tables without borders and with the page's cell padding.
std::string styles();
// Default tab stops every 72 points, as the page's tabs without stops.
std::string settings();
std::string coreProperties(const std::string& title);
std::string appProperties();
// The verification code ("UYAP Doğrulama Kodu"), and the name of each
// signer whose signature verifies, one property per signer in signing
// order ("Asıl Belgeyi İmzalayan 1", "... 2"); nothing when there is
// neither.
std::optional<std::string> customProperties(const UDFDocument& doc);

}  // namespace maravel::word
