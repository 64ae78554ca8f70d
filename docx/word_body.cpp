// Block content, pictures and fields of a part.
#include "docx/word_body.hpp"

#include <algorithm>
#include <cmath>

#include "docx/word_units.hpp"
#include "html/document_writer.hpp"
#include "paper/page_numbers.hpp"
#include "paper/picture_kind.hpp"
#include "platform/text/text.hpp"

namespace maravel {

namespace {

constexpr std::string_view kImageRelationship =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

// Paragraph spacing in points: the page writes none below 0.
double space(double points) {
  return std::isfinite(points) ? std::clamp(points, 0.0, word::kLargestLength) : 0;
}

// A picture side in points: at least 1, 1 when not a number.
double side(double points) { return std::isfinite(points) ? std::max(points, 1.0) : 1.0; }

}  // namespace

const WordShared::File* WordShared::file(const InlineImage& image) {
  auto [known, added] = byData_.try_emplace(image.base64);
  if (added) {
    // What the bytes are, never what the document calls them: only the four
    // kinds paper draws go into the copy, under the name and content type
    // of what they are.
    std::vector<std::uint8_t> bytes = text::decodeBase64(image.base64);
    if (const std::optional<PictureKind> kind = PictureKind::of(bytes)) {
      const std::string extension(kind->extension);
      const std::string number = std::to_string(files_.size() + 1);
      files_.push_back({"media/image" + number + "." + extension, extension, std::move(bytes)});
      known->second = files_.size() - 1;
    }
  }
  return known->second ? &files_[*known->second] : nullptr;
}

std::string_view WordBody::justification(TextAlignment alignment) {
  static constexpr std::string_view kValues[] = {"left", "center", "right", "both"};
  return kValues[rawValue(alignment) & 3];
}

void WordBody::write(const std::vector<DocumentElement>& elements, double width, XmlWriter& xml) {
  // The page lines paper numbers on every page become fields; the others
  // stay text as written.
  numbered_ = region_.pageFields ? PageNumbers::numbered(elements) : std::vector<bool>();
  blocks(elements, width, false, xml);
  numbered_.clear();
  fieldsHere_ = false;
}

void WordBody::blocks(const std::vector<DocumentElement>& elements, double width, bool framed,
                      XmlWriter& xml) {
  bool afterTable = false;
  double below = 0;  // the space below the paragraph just before, not yet written
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (tableDepth_ == 0) fieldsHere_ = i < numbered_.size() && numbered_[i];
    if (const ParagraphItem* p = elements[i].paragraph()) {
      const bool nextIsParagraph = i + 1 < elements.size() && elements[i + 1].paragraph();
      const double ownBelow = space(p->spaceBelow);
      paragraph(*p, width, {below + space(p->spaceAbove), nextIsParagraph ? 0 : ownBelow}, xml);
      below = nextIsParagraph ? ownBelow : 0;
      afterTable = false;
    } else if (const TableItem* t = elements[i].table()) {
      // Two tables in a row would run together into one.
      if (afterTable) spacer(xml);
      table(*t, width, framed, xml);
      afterTable = true;
    }
  }
  if (afterTable) spacer(xml);
}

void WordBody::spacer(XmlWriter& xml) {
  xml.open("w:p").open("w:pPr");
  xml.open("w:spacing").attribute("w:before", "0").attribute("w:after", "0").attribute("w:line", "20");
  xml.attribute("w:lineRule", "exact").close();
  xml.open("w:rPr").empty("w:sz", "w:val", "2").empty("w:szCs", "w:val", "2").close();
  xml.close().close();
}

void WordBody::pageNumber(const PageNumberFormat& format, XmlWriter& xml) {
  TextRun run;
  run.fontFamily = format.fontFamily;
  run.fontSize = format.fontSize;
  run.bold = format.bold;
  run.italic = format.italic;
  run.foreground = format.color;
  xml.open("w:p").open("w:pPr");
  xml.empty("w:jc", "w:val", justification(format.alignment()));
  runProperties(run, xml);
  xml.close();
  auto text = [&](const std::string& value) {
    if (value.empty()) return;
    xml.open("w:r");
    runProperties(run, xml);
    xml.open("w:t").attribute("xml:space", "preserve").text(value).close().close();
  };
  text(format.prefix);
  field(run, " PAGE ", "1", xml);
  if (format.showsTotal()) {
    text(format.separator);
    field(run, " NUMPAGES ", "1", xml);
  }
  xml.close();
}

void WordBody::field(const TextRun& run, std::string_view instruction, std::string_view shown,
                     XmlWriter& xml) {
  xml.open("w:fldSimple").attribute("w:instr", instruction).open("w:r");
  runProperties(run, xml);
  xml.open("w:t").text(shown).close();
  xml.close().close();
}

std::string WordBody::relationshipFor(const WordShared::File& file) {
  auto [known, added] = relationshipIds_.try_emplace(&file);
  if (added) {
    known->second = "rPic" + std::to_string(relationships_.size() + 1);
    relationships_.push_back({known->second, std::string(kImageRelationship), file.target});
  }
  return known->second;
}

void WordBody::picture(const InlineImage& image, double maxWidth, XmlWriter& xml) {
  const WordShared::File* file = shared_.file(image);
  if (file == nullptr) return;
  double width = side(image.width), height = side(image.height);
  if (width > maxWidth) {
    height = std::max(height * maxWidth / width, 1.0);
    width = maxWidth;
  }
  const std::string cx = std::to_string(word::emu(width)), cy = std::to_string(word::emu(height));
  const std::int64_t id = shared_.nextDrawingId++;
  const std::string name = "Resim " + std::to_string(id);

  xml.open("w:r").open("w:drawing").open("wp:inline");
  for (const char* distance : {"distT", "distB", "distL", "distR"}) xml.attribute(distance, "0");
  xml.open("wp:extent").attribute("cx", cx).attribute("cy", cy).close();
  xml.open("wp:docPr").attribute("id", id).attribute("name", name).close();
  xml.open("a:graphic").open("a:graphicData");
  xml.attribute("uri", "http://schemas.openxmlformats.org/drawingml/2006/picture");
  xml.open("pic:pic").open("pic:nvPicPr");
  xml.open("pic:cNvPr").attribute("id", id).attribute("name", name).close();
  xml.empty("pic:cNvPicPr").close();
  xml.open("pic:blipFill").empty("a:blip", "r:embed", relationshipFor(*file));
  xml.open("a:stretch").empty("a:fillRect").close().close();
  xml.open("pic:spPr").open("a:xfrm");
  xml.open("a:off").attribute("x", "0").attribute("y", "0").close();
  xml.open("a:ext").attribute("cx", cx).attribute("cy", cy).close().close();
  xml.open("a:prstGeom").attribute("prst", "rect").empty("a:avLst").close();
  xml.close().close().close().close().close().close().close();
}

}  // namespace maravel
