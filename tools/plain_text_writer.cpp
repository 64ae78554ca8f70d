#include "tools/plain_text_writer.hpp"

#include <string_view>

#include "platform/text/byte_words.hpp"

namespace maravel {

namespace {

// Tabs stay; every other control character below U+0020 goes (runs hold no
// line breaks, but a hostile document may hold anything).
void appendRunText(std::string_view text, std::string& out) {
  std::size_t kept = 0;  // the start of what is still to be appended
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Eight bytes without a control character pass in one step.
    if (text.size() - i >= 8 && !text::anyByteBelow(text::wordAt(text.data() + i), 0x20)) {
      i += 7;
      continue;
    }
    if (static_cast<unsigned char>(text[i]) >= 0x20 || text[i] == '\t') continue;
    out.append(text, kept, i - kept);
    kept = i + 1;
  }
  out.append(text, kept);
}

void appendElements(const std::vector<DocumentElement>& elements, int depth, std::string& out) {
  for (const DocumentElement& element : elements) {
    if (const ParagraphItem* p = element.paragraph()) {
      if (p->listMarker) {
        appendRunText(*p->listMarker, out);
        out += ' ';
      }
      for (const TextRun& run : p->runs) appendRunText(run.text, out);
      out += '\n';
    } else if (const TableItem* table = element.table(); table && depth < PlainTextWriter::kMaxTableDepth) {
      for (const TableRow& row : table->rows) {
        for (const TableCell& cell : row.cells) appendElements(cell.elements, depth + 1, out);
      }
    }
  }
}

}  // namespace

std::string PlainTextWriter::write(const UDFDocument& doc) {
  std::string out;
  out.reserve(doc.rawText.size() + 64);
  appendElements(doc.headerElements, 0, out);
  appendElements(doc.elements, 0, out);
  appendElements(doc.footerElements, 0, out);
  return out;
}

}  // namespace maravel
