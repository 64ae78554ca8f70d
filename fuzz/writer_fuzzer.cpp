// The page writer on documents built straight from the fuzzer's bytes, so it
// meets shapes the reader never makes: huge, negative, infinite and NaN
// lengths, empty or hostile font families, colours with alpha bits, unsorted
// tab stops, empty span lists, pictures with any mime type and data, and
// tables nested past the writer's own bound, and page budgets that cut
// paragraphs anywhere. The page must still hold only the writer's own
// markup, the Word copy only well-formed XML parts, and paper only the
// document's own pictures on a bounded number of pages.
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "docx/docx_writer.hpp"
#include "fuzz/document_choices.hpp"
#include "fuzz/fuzz_target.hpp"
#include "paper/page_layout.hpp"
#include "reader/xml_tree.hpp"
#include "reader/zip_extractor.hpp"

namespace maravel::fuzz {
namespace {

void collectPictures(const std::vector<DocumentElement>& elements, std::set<const InlineImage*>& out) {
  for (const DocumentElement& element : elements) {
    if (const ParagraphItem* p = element.paragraph()) {
      for (const TextRun& run : p->runs)
        if (run.image) out.insert(&*run.image);
    } else if (const TableItem* table = element.table()) {
      for (const TableRow& row : table->rows)
        for (const TableCell& cell : row.cells) collectPictures(cell.elements, out);
    }
  }
}

// Paper holds at least one page and no more than its bound, and every
// picture it places is one of the document's, which painting reads later.
void checkPaper(const UDFDocument& doc, std::size_t fileBytes) {
  // One font book for every input, as a window keeps one: fontconfig's
  // family list is read once.
  static FontBook fonts;
  const PaperDocument paper = PageLayout::layout(doc, fonts, fileBytes);
  if (paper.pages.empty() || paper.pages.size() > PageLayout::kMaxPages) fail("paper without its pages");
  std::set<const InlineImage*> pictures;
  for (const auto* elements : {&doc.elements, &doc.headerElements, &doc.footerElements})
    collectPictures(*elements, pictures);
  for (const PaperPage& page : paper.pages) {
    for (const PaperPicture& picture : page.marks.pictures)
      if (!pictures.contains(picture.image)) fail("a picture on paper that is not the document's");
  }
}

// The copy is an archive whose every part but the pictures is well-formed XML.
void checkCopy(const std::optional<std::vector<std::uint8_t>>& copy) {
  if (!copy) fail("no Word copy");
  const ZipEntries parts = FastZipExtractor::extractEntries(*copy);
  if (!parts.contains("word/document.xml")) fail("Word copy without its document");
  for (const auto& [name, data] : parts) {
    if (name.starts_with("word/media/")) continue;
    if (!parseXMLTree({reinterpret_cast<const char*>(data.data()), data.size()}).success)
      fail("Word copy part that is not well-formed", name);
  }
}

}  // namespace
}  // namespace maravel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace maravel;
  fuzz::Choices in({data, size});
  const UDFDocument doc = fuzz::document(in);
  const std::string title = in.text(20);
  // Every other page under a budget that cuts it somewhere.
  const std::size_t budget =
      in.flag() ? std::size_t{in.byte()} * 64 : std::numeric_limits<std::size_t>::max();
  fuzz::checkPage(UDFHTMLRenderer::renderHTML(doc, title, budget));
  fuzz::checkCopy(DocxWriter::bytes(doc, title));
  fuzz::checkPaper(doc, size);
  return 0;
}
