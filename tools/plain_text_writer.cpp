#include "tools/plain_text_writer.hpp"

#include <string_view>
#include <utility>

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

// The text as it is made: handed to the sink (when there is one) in
// pieces, else kept whole.
class TextOut {
 public:
  explicit TextOut(const std::function<bool(std::string_view)>* sink) : sink_(sink) {}

  std::string& text() { return text_; }
  // Hands a large enough piece on; false once the sink refused one.
  bool paragraphEnded() {
    if (sink_ == nullptr || text_.size() < PlainTextWriter::kPieceBytes) return ok_;
    return flush();
  }
  // Hands what is made so far on (a text kept whole stays).
  bool flush() {
    if (sink_ == nullptr) return true;
    if (ok_ && !text_.empty()) ok_ = (*sink_)(text_);
    text_.clear();
    return ok_;
  }

 private:
  const std::function<bool(std::string_view)>* sink_;
  std::string text_;
  bool ok_ = true;
};

bool appendElements(const std::vector<DocumentElement>& elements, int depth, TextOut& out) {
  for (const DocumentElement& element : elements) {
    if (const ParagraphItem* p = element.paragraph()) {
      if (p->listMarker) {
        appendRunText(*p->listMarker, out.text());
        out.text() += ' ';
      }
      for (const TextRun& run : p->runs) appendRunText(run.text, out.text());
      out.text() += '\n';
      if (!out.paragraphEnded()) return false;
    } else if (const TableItem* table = element.table(); table && depth < PlainTextWriter::kMaxTableDepth) {
      for (const TableRow& row : table->rows) {
        for (const TableCell& cell : row.cells) {
          if (!appendElements(cell.elements, depth + 1, out)) return false;
        }
      }
    }
  }
  return true;
}

bool writeAll(const UDFDocument& doc, TextOut& out) {
  return appendElements(doc.headerElements, 0, out) && appendElements(doc.elements, 0, out) &&
         appendElements(doc.footerElements, 0, out) && out.flush();
}

}  // namespace

std::string PlainTextWriter::write(const UDFDocument& doc) {
  TextOut out(nullptr);
  out.text().reserve(doc.rawText.size() + 64);
  writeAll(doc, out);
  return std::move(out.text());
}

bool PlainTextWriter::write(const UDFDocument& doc, const std::function<bool(std::string_view)>& sink) {
  TextOut out(&sink);
  out.text().reserve(kPieceBytes + 1024);
  return writeAll(doc, out);
}

}  // namespace maravel
