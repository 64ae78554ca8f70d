#include "docx/docx_writer.hpp"

#include <algorithm>
#include <cmath>
#include <new>

#include "docx/package_parts.hpp"
#include "docx/word_body.hpp"
#include "docx/word_units.hpp"
#include "html/document_writer.hpp"
#include "platform/zip/zip_packer.hpp"

namespace maravel {

namespace {

using word::kRelationships;
using word::kWordprocessing;

// The page as Word is given it: margins that are numbers and leave the body
// at least the room the page and paper give it.
struct Geometry {
  double width = 0, height = 0;
  double left = 0, right = 0, top = 0, bottom = 0;
  double header = 0, footer = 0;  // distances of header and footer from the edges
  bool landscape = false;

  double contentWidth() const { return width - left - right; }
};

double margin(double points) {
  return std::isfinite(points) ? std::clamp(points, 0.0, word::kLargestLength) : 42.52;
}

// Shrinks the two margins in proportion until they leave `room` between them.
void leaveRoom(double& a, double& b, double room) {
  if (a + b <= room) return;
  const double scale = room / (a + b);
  a *= scale;
  b *= scale;
}

double offset(const std::optional<double>& distance, double fallback, double largest) {
  return distance && std::isfinite(*distance) ? std::clamp(*distance, 0.0, largest) : fallback;
}

Geometry geometry(const PageProperties& page) {
  Geometry g;
  g.width = page.pageWidth();
  g.height = page.pageHeight();
  g.landscape = page.isLandscape();
  g.left = margin(page.leftMargin);
  g.right = margin(page.rightMargin);
  g.top = margin(page.topMargin);
  g.bottom = margin(page.bottomMargin);
  leaveRoom(g.left, g.right, g.width - 100);
  leaveRoom(g.top, g.bottom, g.height - 36);
  // Without offsets the header stands at the top margin and the footer at
  // the bottom one, as on paper.
  g.header = offset(page.headerOffset, g.top, g.height / 2);
  g.footer = offset(page.footerOffset, g.bottom, g.height / 2);
  return g;
}

struct Part {
  std::string name;  // in the package, "word/document.xml"
  std::string xml;
};

struct Reference {
  std::string_view element;  // "w:headerReference" or "w:footerReference"
  std::string_view type;     // "default" or "first"
  std::string id;
};

void sectionProperties(XmlWriter& xml, const Geometry& g, const std::vector<Reference>& references,
                       const UDFDocument& doc, bool firstPageApart) {
  xml.open("w:sectPr");
  for (const Reference& reference : references)
    xml.open(reference.element).attribute("w:type", reference.type).attribute("r:id", reference.id).close();
  xml.open("w:pgSz").attribute("w:w", word::twips(g.width)).attribute("w:h", word::twips(g.height));
  if (g.landscape) xml.attribute("w:orient", "landscape");
  xml.close().open("w:pgMar");
  xml.attribute("w:top", word::twips(g.top)).attribute("w:right", word::twips(g.right));
  xml.attribute("w:bottom", word::twips(g.bottom)).attribute("w:left", word::twips(g.left));
  xml.attribute("w:header", word::twips(g.header)).attribute("w:footer", word::twips(g.footer));
  xml.attribute("w:gutter", "0").close();
  if (doc.pageNumber && doc.pageNumber->firstNumber != 1)
    xml.empty("w:pgNumType", "w:start", std::clamp<std::int64_t>(doc.pageNumber->firstNumber, 0, INT32_MAX));
  if (firstPageApart) xml.empty("w:titlePg");
  xml.close();
}

// Everything of the copy before it is zipped.
class Package {
 public:
  Package(const UDFDocument& doc, FontBook& fonts)
      : doc_(doc), shared_(fonts), page_(geometry(doc.pageProps)) {}

  std::vector<Part> parts(const std::string& title) {
    regions();
    document();
    add("word/styles.xml", word::styles(), "styles+xml", "styles");
    add("word/settings.xml", word::settings(), "settings+xml", "settings");
    parts_.push_back({"word/_rels/document.xml.rels", word::relationships(relationships_)});
    parts_.push_back({"docProps/core.xml", word::coreProperties(title)});
    parts_.push_back({"docProps/app.xml", word::appProperties()});
    std::vector<WordRelationship> package = {
        {"rDocument", std::string(kRelationships) + "officeDocument", "word/document.xml"},
        {"rCore", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
         "docProps/core.xml"},
        {"rApp", std::string(kRelationships) + "extended-properties", "docProps/app.xml"}};
    overrides_.push_back(
        {"/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml"});
    overrides_.push_back(
        {"/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml"});
    if (std::optional<std::string> custom = word::customProperties(doc_)) {
      parts_.push_back({"docProps/custom.xml", std::move(*custom)});
      package.push_back(
          {"rCustom", std::string(kRelationships) + "custom-properties", "docProps/custom.xml"});
      overrides_.push_back(
          {"/docProps/custom.xml", "application/vnd.openxmlformats-officedocument.custom-properties+xml"});
    }
    parts_.push_back({"_rels/.rels", word::relationships(package)});
    std::vector<std::string> extensions;
    for (const WordShared::File& file : shared_.files()) extensions.push_back(file.extension);
    std::sort(extensions.begin(), extensions.end());
    extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
    parts_.insert(parts_.begin(), {"[Content_Types].xml", word::contentTypes(overrides_, extensions)});
    return std::move(parts_);
  }

  const std::vector<WordShared::File>& media() const { return shared_.files(); }

 private:
  // A part of the word folder with its relationship from the document.
  void add(const std::string& name, std::string xml, std::string_view type, std::string_view relationship) {
    overrides_.push_back({"/word/" + name.substr(5), std::string(kWordprocessing) + std::string(type)});
    relationships_.push_back({"r" + std::string(relationship) + std::to_string(relationships_.size()),
                              std::string(kRelationships) + std::string(relationship), name.substr(5)});
    parts_.push_back({name, std::move(xml)});
  }

  // A header or footer part; `elements` null for an empty one.
  void region(std::string_view kind, std::string_view type, const std::vector<DocumentElement>* elements,
              std::optional<std::uint32_t> color, const PageNumberFormat* pageNumber) {
    const std::string_view element = kind == "header" ? "w:headerReference" : "w:footerReference";
    const auto number = std::count_if(references_.begin(), references_.end(),
                                      [&](const Reference& made) { return made.element == element; });
    const std::string name = std::string(kind) + std::to_string(number + 1) + ".xml";
    XmlWriter xml;
    word::openContentRoot(xml, kind == "header" ? "w:hdr" : "w:ftr");
    WordBody body(shared_, {color, true});
    if (elements) body.write(*elements, page_.contentWidth(), xml);
    if (pageNumber) body.pageNumber(*pageNumber, xml);
    if ((!elements || elements->empty()) && !pageNumber) WordBody::spacer(xml);
    add("word/" + name, xml.finish(), std::string(kind) + "+xml", kind);
    references_.push_back({element, type, relationships_.back().id});
    if (!body.relationships().empty())
      parts_.push_back({"word/_rels/" + name + ".rels", word::relationships(body.relationships())});
  }

  void regions() {
    const bool header = DocumentWriter::hasVisibleContent(doc_.headerElements);
    const bool footerText = DocumentWriter::hasVisibleContent(doc_.footerElements);
    const PageNumberFormat* pageNumber = doc_.pageNumber ? &*doc_.pageNumber : nullptr;
    // A header from page 2 on: the first page gets an empty one.
    firstPageApart_ = header && doc_.headerStartPage >= 2;
    const auto* footer = footerText ? &doc_.footerElements : nullptr;
    if (header) region("header", "default", &doc_.headerElements, doc_.headerColor, nullptr);
    if (firstPageApart_) region("header", "first", nullptr, std::nullopt, nullptr);
    for (std::string_view type : {"default", "first"}) {
      if ((footer || pageNumber) && (type == "default" || firstPageApart_))
        region("footer", type, footer, doc_.footerColor, pageNumber);
    }
  }

  void document() {
    XmlWriter xml;
    word::openContentRoot(xml, "w:document");
    xml.open("w:body");
    WordBody body(shared_, {});
    body.write(doc_.elements, page_.contentWidth(), xml);
    sectionProperties(xml, page_, references_, doc_, firstPageApart_);
    for (const WordRelationship& picture : body.relationships()) relationships_.push_back(picture);
    overrides_.push_back({"/word/document.xml", std::string(kWordprocessing) + "document.main+xml"});
    parts_.push_back({"word/document.xml", xml.finish()});
  }

  const UDFDocument& doc_;
  WordShared shared_;
  Geometry page_;
  bool firstPageApart_ = false;
  std::vector<Part> parts_;
  std::vector<word::Override> overrides_;
  std::vector<WordRelationship> relationships_;
  std::vector<Reference> references_;
};

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

bool DocxWriter::write(const UDFDocument& doc, const std::string& title, const Sink& sink) {
  try {
    FontBook fonts;
    Package package(doc, fonts);
    const std::vector<Part> parts = package.parts(title);
    std::vector<zip::Member> members;
    for (const Part& part : parts) members.push_back({part.name, bytesOf(part.xml), true});
    // Pictures are compressed already.
    for (const WordShared::File& file : package.media())
      members.push_back({"word/" + file.target, file.bytes, false});
    return zip::pack(members, sink);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::optional<std::vector<std::uint8_t>> DocxWriter::bytes(const UDFDocument& doc, const std::string& title) {
  std::vector<std::uint8_t> out;
  const bool written = write(doc, title, [&out](std::span<const std::uint8_t> piece) {
    out.insert(out.end(), piece.begin(), piece.end());
    return true;
  });
  if (!written) return std::nullopt;
  return out;
}

}  // namespace maravel
