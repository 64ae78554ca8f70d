#include "paper/page_numbers.hpp"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "html/document_writer.hpp"
#include "paper/page_layout.hpp"

namespace maravel {

namespace {

using PageLine = PageNumbers::Line;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip(std::string_view text, std::size_t at, std::string_view characters) {
  while (at < text.size() && characters.find(text[at]) != std::string_view::npos) ++at;
  return at;
}

std::size_t digitsEnd(std::string_view text, std::size_t at) {
  while (at < text.size() && isDigit(text[at])) ++at;
  return at;
}

// The numbers from `at` on: "N" or "N / M" with "/", "-" or "|" between.
std::optional<PageLine> numbersAt(std::string_view text, std::size_t at) {
  const std::size_t end = digitsEnd(text, at);
  if (end == at) return std::nullopt;
  PageLine line{at, end, std::nullopt};
  std::size_t separator = skip(text, end, " ");
  if (separator < text.size() && std::string_view("/-|").find(text[separator]) != std::string_view::npos) {
    const std::size_t totalBegin = skip(text, separator + 1, " ");
    const std::size_t totalEnd = digitsEnd(text, totalBegin);
    if (totalEnd > totalBegin) line.total = std::make_pair(totalBegin, totalEnd);
  }
  return line;
}

std::vector<PageLine> findPageLines(std::string_view text) {
  std::vector<PageLine> lines;
  const std::size_t first = skip(text, 0, " \t");
  if (auto bare = numbersAt(text, first)) {
    const std::size_t end = bare->total ? bare->total->second : bare->pageEnd;
    if (skip(text, end, " \t") == text.size()) return {*bare};
  }
  for (std::string_view word : {"Sayfa", "SAYFA", "sayfa"}) {
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
      const bool wordStart = at == 0 || text[at - 1] == ' ' || text[at - 1] == '\t';
      if (!wordStart) continue;
      const std::size_t numbers = skip(text, at + word.size(), " :.");
      if (numbers == at + word.size()) continue;
      if (auto line = numbersAt(text, numbers)) lines.push_back(*line);
    }
  }
  return lines;
}

// Replaces text[begin, end) of the paragraph's runs by `with`: the first run
// that holds part of the range takes the whole replacement.
void replace(ParagraphItem& p, std::size_t begin, std::size_t end, const std::string& with) {
  std::size_t runStart = 0;
  bool written = false;
  for (TextRun& run : p.runs) {
    const std::size_t runEnd = runStart + run.text.size();
    if (runEnd > begin && runStart < end) {
      const std::size_t from = std::max(begin, runStart) - runStart;
      const std::size_t to = std::min(end, runEnd) - runStart;
      run.text.replace(from, to - from, written ? std::string() : with);
      written = true;
    }
    runStart = runEnd;
  }
}

bool paragraphHas(const ParagraphItem& p) { return !findPageLines(p.fullText()).empty(); }

void applyTo(ParagraphItem& p, int page, int total) {
  const std::vector<PageLine> lines = findPageLines(p.fullText());
  // From the last number back, so that earlier offsets stay valid.
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->total) replace(p, line->total->first, line->total->second, std::to_string(total));
    replace(p, line->pageBegin, line->pageEnd, std::to_string(page));
  }
}

// Visits every paragraph down to the depth the writers draw tables to.
template <typename Elements, typename Visit>
void forEachParagraph(Elements& elements, int depth, Visit&& visit) {
  for (auto& element : elements) {
    if (auto* p = std::get_if<ParagraphItem>(&element)) {
      visit(*p);
    } else if (auto* table = std::get_if<TableItem>(&element);
               table && depth < DocumentWriter::kMaxTableDepth) {
      for (auto& row : table->rows) {
        for (auto& cell : row.cells) forEachParagraph(cell.elements, depth + 1, visit);
      }
    }
  }
}

// The run text of the element's paragraphs, at every table depth.
std::size_t textBytes(const DocumentElement& element) {
  std::size_t bytes = 0;
  if (const ParagraphItem* p = element.paragraph()) {
    for (const TextRun& run : p->runs) bytes += run.text.size();
  } else if (const TableItem* table = element.table()) {
    for (const TableRow& row : table->rows)
      for (const TableCell& cell : row.cells)
        for (const DocumentElement& inner : cell.elements) bytes += textBytes(inner);
  }
  return bytes;
}

}  // namespace

std::vector<PageNumbers::Line> PageNumbers::find(std::string_view text) { return findPageLines(text); }

bool PageNumbers::present(const std::vector<DocumentElement>& elements) {
  bool found = false;
  forEachParagraph(elements, 0, [&](const ParagraphItem& p) { found = found || paragraphHas(p); });
  return found;
}

std::vector<bool> PageNumbers::numbered(const std::vector<DocumentElement>& elements) {
  std::vector<bool> out;
  out.reserve(elements.size());
  std::size_t bytes = 0;
  for (const DocumentElement& element : elements) {
    const std::span<const DocumentElement> one(&element, 1);
    bool found = false;
    forEachParagraph(one, 0, [&](const ParagraphItem& p) { found = found || paragraphHas(p); });
    if (found) bytes += textBytes(element);
    out.push_back(found && bytes <= PageLayout::kMaxNumberedRegionBytes);
  }
  return out;
}

std::vector<DocumentElement> PageNumbers::apply(const std::vector<DocumentElement>& elements, int page,
                                                int total) {
  std::vector<DocumentElement> copy = elements;
  forEachParagraph(copy, 0, [&](ParagraphItem& p) { applyTo(p, page, total); });
  return copy;
}

ParagraphItem PageNumbers::line(const PageNumberFormat& format, int page, int total) {
  TextRun run;
  run.text = format.text(page - 1, total);
  run.fontFamily = format.fontFamily;
  run.fontSize = format.fontSize;
  run.bold = format.bold;
  run.italic = format.italic;
  run.foreground = format.color.value_or(0);
  ParagraphItem p;
  p.alignment = format.alignment();
  p.runs.push_back(std::move(run));
  return p;
}

}  // namespace maravel
