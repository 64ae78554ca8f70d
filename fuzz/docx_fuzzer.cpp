// The Word copy writer on documents built straight from the fuzzer's bytes
// (document_choices.hpp), with pictures whose bytes start as any of the
// kinds a document may hold (PNG, JPEG, GIF, BMP, SVG, HTML, ZIP, TIFF,
// WMF) whatever their mime type says, and signers of any name and status.
// The copy must be an archive whose every part but the pictures is
// well-formed XML made of the writer's own elements; whose pictures are
// each a kind paper draws, named and typed by what they are; whose
// relationships point inside it; whose page fields stay within paper's
// bound; and which names each verified signer once.
#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "docx/docx_writer.hpp"
#include "fuzz/document_choices.hpp"
#include "fuzz/fuzz_target.hpp"
#include "paper/page_layout.hpp"
#include "paper/picture_kind.hpp"
#include "platform/text/text.hpp"
#include "reader/xml_tree.hpp"
#include "reader/zip_extractor.hpp"

namespace maravel::fuzz {
namespace {

// The first bytes of the kinds of picture a document may hold; the fuzzer
// writes the rest.
std::string pictureStart(Choices& in) {
  static constexpr std::string_view kStarts[] = {
      std::string_view("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\3\0\0\0\2", 24),
      std::string_view("\xFF\xD8\xFF\xE0\0\4\0\0\xFF\xC2\0\x11\x08\0\2\0\3\3", 19),
      std::string_view("GIF89a\1\0\1\0\0\0\0\x2C\0\0\0\0\1\0\1\0\0\2\0", 25),
      std::string_view("BM\0\0\0\0\0\0\0\0\0\0\0\0\x28\0\0\0\3\0\0\0\2\0\0\0", 26),
      R"(<svg xmlns="http://www.w3.org/2000/svg"><image href="file:///etc/passwd"/>)",
      "<html><body>",
      std::string_view("PK\3\4", 4),
      std::string_view("II*\0\x08\0\0\0", 8),
      std::string_view("\xD7\xCD\xC6\x9A\0\0", 6),
      ""};
  return std::string(kStarts[in.byte() % std::size(kStarts)]);
}

void givePictures(std::vector<DocumentElement>& elements, Choices& in) {
  for (DocumentElement& element : elements) {
    if (auto* p = std::get_if<ParagraphItem>(&element)) {
      for (TextRun& run : p->runs) {
        if (!run.image) continue;
        const std::string bytes = pictureStart(in) + in.text(24);
        run.image->base64 =
            text::encodeBase64({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
      }
    } else if (auto* table = std::get_if<TableItem>(&element)) {
      for (TableRow& row : table->rows)
        for (TableCell& cell : row.cells) givePictures(cell.elements, in);
    }
  }
}

std::string textOf(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::size_t count(std::string_view text, std::string_view piece) {
  std::size_t n = 0;
  for (std::size_t at = text.find(piece); at != std::string_view::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

// The part's elements are all the writer's own; the targets of a
// relationships part are parts of the copy.
void checkPart(const std::string& name, const XMLNode& root, const ZipEntries& parts) {
  static const std::regex kOwnElement(
      "(w|wp|a|pic|vt|cp|dc):[A-Za-z]+|Types|Default|Override|Relationships?|Properties|property|"
      "Application");
  const std::string folder = name.starts_with("word/") ? "word/" : "";
  std::vector<const XMLNode*> open = {&root};
  while (!open.empty()) {
    const XMLNode* node = open.back();
    open.pop_back();
    if (node->name == "Relationship") {
      const auto target = node->attributes.find("target");
      if (target == node->attributes.end() || !parts.contains(folder + target->second))
        fail("a relationship to no part of the copy", name);
      if (node->attributes.contains("targetmode")) fail("a relationship outside the copy", name);
    }
    for (const XMLNode& child : node->children) {
      if (!std::regex_match(child.name, kOwnElement))
        fail("an element the writer does not write", child.name);
      open.push_back(&child);
    }
  }
}

void checkCopy(const UDFDocument& doc, const std::optional<std::vector<std::uint8_t>>& copy) {
  if (!copy) fail("no Word copy");
  const ZipEntries parts = FastZipExtractor::extractEntries(*copy);
  if (!parts.contains("word/document.xml") || !parts.contains("[Content_Types].xml"))
    fail("Word copy without its document");
  const std::string types = textOf(parts.at("[Content_Types].xml"));
  for (const auto& [name, data] : parts) {
    if (name.starts_with("word/media/")) {
      const auto kind = PictureKind::of(data);
      if (!kind) fail("a picture paper does not draw", name);
      if (!name.ends_with("." + std::string(kind->extension))) fail("a picture named for another kind", name);
      if (count(types, "Extension=\"" + std::string(kind->extension) + "\" ContentType=\"" +
                           std::string(kind->mimeType) + "\"") != 1)
        fail("a picture without its content type", name);
      continue;
    }
    const XMLParseResult tree = parseXMLTree({reinterpret_cast<const char*>(data.data()), data.size()});
    if (!tree.success) fail("Word copy part that is not well-formed", name);
    checkPart(name, tree.root, parts);
    // The elements paper numbers, two fields each at most, and the page number line's two.
    if (count(textOf(data), "w:instr=") > 2 * PageLayout::kMaxNumberedRegionBytes + 2)
      fail("more page fields than paper numbers", name);
  }
  std::size_t properties = doc.verificationCode.empty() ? 0 : 1;
  for (const Signer& signer : doc.signature.signers)
    properties += signer.status == SignatureStatus::verified && !signer.name.empty();
  const auto custom = parts.find("docProps/custom.xml");
  if ((custom == parts.end() ? 0 : count(textOf(custom->second), "<property ")) != properties)
    fail("signers named otherwise than one property each for the verified");
}

}  // namespace
}  // namespace maravel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace maravel;
  fuzz::Choices in({data, size});
  UDFDocument doc = fuzz::document(in);
  for (auto* elements : {&doc.elements, &doc.headerElements, &doc.footerElements})
    fuzz::givePictures(*elements, in);
  for (std::size_t n = in.count(4); n > 0; --n) {
    Signer signer;
    signer.name = in.text(16);
    signer.status = static_cast<SignatureStatus>(in.byte() % 3);
    doc.signature.signers.push_back(std::move(signer));
  }
  fuzz::checkCopy(doc, DocxWriter::bytes(doc, in.text(20)));
  return 0;
}
