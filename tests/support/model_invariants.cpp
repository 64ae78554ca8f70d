#include "tests/support/model_invariants.hpp"

#include <cmath>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "reader/element_builder.hpp"

namespace maravel::testing {

namespace {

bool isBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
         c == '=';
}

bool isKnownMimeType(std::string_view mime) {
  return mime == "image/png" || mime == "image/jpeg" || mime == "image/gif" || mime == "image/bmp";
}

class Checker {
 public:
  std::vector<std::string> violations;

  // Walks the element lists with an explicit work list, so a model that is
  // deeper than promised is reported rather than overflowing the stack.
  void check(const std::vector<DocumentElement>& top, const std::string& region) {
    std::vector<Pending> work{{&top, 0, region}};
    while (!work.empty()) {
      Pending item = std::move(work.back());
      work.pop_back();
      for (std::size_t i = 0; i < item.elements->size(); ++i) {
        const std::string where = item.where + "[" + std::to_string(i) + "]";
        const DocumentElement& element = (*item.elements)[i];
        if (const ParagraphItem* paragraph = element.paragraph()) checkParagraph(*paragraph, where);
        if (const TableItem* table = element.table()) checkTable(*table, item.tableDepth + 1, where, work);
      }
    }
  }

 private:
  struct Pending {
    const std::vector<DocumentElement>* elements;
    int tableDepth;
    std::string where;
  };

  std::unordered_set<const void*> checkedTabStops_;

  void fail(const std::string& where, const std::string& what) { violations.push_back(where + ": " + what); }

  void checkParagraph(const ParagraphItem& p, const std::string& where) {
    if (!(p.hanging >= 0)) fail(where, "negative hanging");
    if (!(p.lineSpacing >= 0)) fail(where, "negative line spacing");
    // A list shared by many paragraphs is checked once.
    if (p.tabStops && checkedTabStops_.insert(p.tabStops->identity()).second)
      checkTabStops(*p.tabStops, where);
    for (std::size_t i = 0; i < p.runs.size(); ++i)
      checkRun(p.runs[i], where + ".runs[" + std::to_string(i) + "]");
  }

  void checkTabStops(const TabStopList& stops, const std::string& where) {
    if (stops.size() > ElementBuilder::kMaxTabStopsPerParagraph) fail(where, "too many tab stops");
    for (std::size_t i = 1; i < stops.size(); ++i) {
      if (stops[i].position < stops[i - 1].position) fail(where, "tab stops not sorted");
    }
  }

  void checkRun(const TextRun& run, const std::string& where) {
    if (run.text.find_first_of("\r\n") != std::string::npos) fail(where, "line break in run text");
    if (!(run.fontSize > 0) || !std::isfinite(run.fontSize)) fail(where, "font size not positive");
    if (run.fontFamily.empty()) fail(where, "empty font family");
    if (run.image) checkImage(*run.image, run.text, where);
  }

  void checkImage(const InlineImage& image, const std::string& text, const std::string& where) {
    if (!text.empty()) fail(where, "picture run with text");
    if (image.base64.empty()) fail(where, "empty picture data");
    for (const char c : image.base64) {
      if (!isBase64Character(c)) {
        fail(where, "character outside the base64 alphabet");
        break;
      }
    }
    if (!isKnownMimeType(image.mimeType)) fail(where, "unknown mime type " + image.mimeType);
    if (!(image.width >= 1) || !std::isfinite(image.width)) fail(where, "picture width below 1");
    if (!(image.height >= 1) || !std::isfinite(image.height)) fail(where, "picture height below 1");
  }

  void checkSpans(const std::optional<std::vector<double>>& spans, const std::string& where) {
    if (spans && spans->empty()) fail(where, "empty column spans");
  }

  void checkTable(const TableItem& table, int depth, const std::string& where, std::vector<Pending>& work) {
    if (depth > ElementBuilder::kMaxTableDepth) fail(where, "tables nested deeper than the bound");
    checkSpans(table.columnSpans, where);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
      const std::string rowWhere = where + ".rows[" + std::to_string(r) + "]";
      checkSpans(table.rows[r].columnSpans, rowWhere);
      for (std::size_t c = 0; c < table.rows[r].cells.size(); ++c) {
        const std::string cellWhere = rowWhere + ".cells[" + std::to_string(c) + "]";
        work.push_back({&table.rows[r].cells[c].elements, depth, cellWhere});
      }
    }
  }
};

}  // namespace

std::vector<std::string> modelViolations(const std::vector<DocumentElement>& elements) {
  Checker checker;
  checker.check(elements, "elements");
  return std::move(checker.violations);
}

std::vector<std::string> modelViolations(const UDFDocument& document) {
  Checker checker;
  checker.check(document.elements, "elements");
  checker.check(document.headerElements, "headerElements");
  checker.check(document.footerElements, "footerElements");
  return std::move(checker.violations);
}

}  // namespace maravel::testing
