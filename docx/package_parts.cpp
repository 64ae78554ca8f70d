#include "docx/package_parts.hpp"

#include <utility>

namespace maravel::word {

namespace {

constexpr std::string_view kMain = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kVariantTypes =
    "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
constexpr std::string_view kFormatId = "{D5CDD505-2E9C-101B-9397-08002B2CF9AE}";

void openMain(XmlWriter& xml, std::string_view name) { xml.open(name).attribute("xmlns:w", kMain); }

void cellMargins(XmlWriter& xml) {
  xml.open("w:tblCellMar");
  for (const auto& [side, width] :
       {std::pair{"w:top", "0"}, {"w:left", "30"}, {"w:bottom", "0"}, {"w:right", "30"}})
    xml.open(side).attribute("w:w", width).attribute("w:type", "dxa").close();
  xml.close();
}

}  // namespace

void openContentRoot(XmlWriter& xml, std::string_view name) {
  openMain(xml, name);
  xml.attribute("xmlns:r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships");
  xml.attribute("xmlns:wp", "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing");
  xml.attribute("xmlns:a", "http://schemas.openxmlformats.org/drawingml/2006/main");
  xml.attribute("xmlns:pic", "http://schemas.openxmlformats.org/drawingml/2006/picture");
}

std::string contentTypes(const std::vector<Override>& overrides,
                         const std::vector<std::string>& imageExtensions) {
  XmlWriter xml;
  xml.open("Types").attribute("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
  xml.open("Default").attribute("Extension", "rels");
  xml.attribute("ContentType", "application/vnd.openxmlformats-package.relationships+xml").close();
  xml.open("Default").attribute("Extension", "xml").attribute("ContentType", "application/xml").close();
  for (const std::string& extension : imageExtensions)
    xml.open("Default")
        .attribute("Extension", extension)
        .attribute("ContentType", "image/" + extension)
        .close();
  for (const Override& part : overrides)
    xml.open("Override")
        .attribute("PartName", part.partName)
        .attribute("ContentType", part.contentType)
        .close();
  return xml.finish();
}

std::string relationships(const std::vector<WordRelationship>& relationships) {
  XmlWriter xml;
  xml.open("Relationships")
      .attribute("xmlns", "http://schemas.openxmlformats.org/package/2006/relationships");
  for (const WordRelationship& relationship : relationships) {
    xml.open("Relationship").attribute("Id", relationship.id).attribute("Type", relationship.type);
    xml.attribute("Target", relationship.target).close();
  }
  return xml.finish();
}

std::string styles() {
  XmlWriter xml;
  openMain(xml, "w:styles");
  xml.open("w:docDefaults").open("w:rPrDefault").open("w:rPr").open("w:rFonts");
  for (const char* script : {"w:ascii", "w:hAnsi", "w:eastAsia", "w:cs"})
    xml.attribute(script, "Times New Roman");
  xml.close().empty("w:sz", "w:val", "24").empty("w:szCs", "w:val", "24");
  xml.open("w:lang")
      .attribute("w:val", "tr-TR")
      .attribute("w:eastAsia", "tr-TR")
      .attribute("w:bidi", "ar-SA")
      .close();
  xml.close().close().open("w:pPrDefault").open("w:pPr").open("w:spacing");
  xml.attribute("w:after", "0").attribute("w:line", "240").attribute("w:lineRule", "auto").close();
  xml.close().close().close();
  xml.open("w:style")
      .attribute("w:type", "paragraph")
      .attribute("w:default", "1")
      .attribute("w:styleId", "Normal");
  xml.empty("w:name", "w:val", "Normal").empty("w:qFormat").close();
  xml.open("w:style")
      .attribute("w:type", "table")
      .attribute("w:default", "1")
      .attribute("w:styleId", "TableNormal");
  xml.empty("w:name", "w:val", "Normal Table").open("w:tblPr");
  xml.open("w:tblInd").attribute("w:w", "0").attribute("w:type", "dxa").close();
  cellMargins(xml);
  return xml.finish();
}

std::string settings() {
  XmlWriter xml;
  openMain(xml, "w:settings");
  xml.empty("w:defaultTabStop", "w:val", "1440");
  xml.empty("w:characterSpacingControl", "w:val", "doNotCompress");
  xml.open("w:compat").open("w:compatSetting").attribute("w:name", "compatibilityMode");
  xml.attribute("w:uri", "http://schemas.microsoft.com/office/word").attribute("w:val", "15");
  return xml.finish();
}

std::string coreProperties(const std::string& title) {
  XmlWriter xml;
  xml.open("cp:coreProperties");
  xml.attribute("xmlns:cp", "http://schemas.openxmlformats.org/package/2006/metadata/core-properties");
  xml.attribute("xmlns:dc", "http://purl.org/dc/elements/1.1/");
  xml.attribute("xmlns:dcterms", "http://purl.org/dc/terms/");
  xml.attribute("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
  xml.open("dc:title").text(title);
  return xml.finish();
}

std::string appProperties() {
  XmlWriter xml;
  xml.open("Properties")
      .attribute("xmlns", "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties");
  xml.attribute("xmlns:vt", kVariantTypes);
  xml.open("Application").text("Maravel");
  return xml.finish();
}

std::optional<std::string> customProperties(const UDFDocument& doc) {
  // Only signers whose signature verifies over this very text are named: a
  // changed text or an invalid signature names no one who signed it. Each
  // signer is a property of its own, so that no name (a certificate's
  // common name may hold ", ") reads as several signers.
  std::vector<std::pair<std::string, const std::string*>> properties;
  // documentproperties.xml, which holds the code, is outside what the
  // signature covers: in a signed document the property's name says so.
  if (!doc.verificationCode.empty()) {
    properties.emplace_back(
        doc.signature.isSigned ? "UYAP Doğrulama Kodu (imza kapsamı dışında)" : "UYAP Doğrulama Kodu",
        &doc.verificationCode);
  }
  std::size_t signers = 0;
  for (const Signer& signer : doc.signature.signers) {
    if (signer.status != SignatureStatus::verified || signer.name.empty()) continue;
    properties.emplace_back("Asıl Belgeyi İmzalayan " + std::to_string(++signers), &signer.name);
  }
  if (properties.empty()) return std::nullopt;
  XmlWriter xml;
  xml.open("Properties")
      .attribute("xmlns", "http://schemas.openxmlformats.org/officeDocument/2006/custom-properties");
  xml.attribute("xmlns:vt", kVariantTypes);
  std::int64_t id = 2;  // Word numbers custom properties from 2
  for (const auto& [name, value] : properties) {
    xml.open("property").attribute("fmtid", kFormatId).attribute("pid", id++).attribute("name", name);
    xml.open("vt:lpwstr").text(*value).close().close();
  }
  return xml.finish();
}

}  // namespace maravel::word
