#include "reader/markup_value.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "platform/text/text.hpp"

namespace maravel {

namespace {

char lowerASCII(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == ':';
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

constexpr std::array<std::string_view, 13> kKnownTags = {"table", "tr", "td",     "th", "p", "div",  "br",
                                                         "b",     "i",  "strong", "em", "u", "tbody"};

// One tag: its lower-cased name, whether it closes, and its `align`.
struct Tag {
  std::string name;
  bool closing = false;
  std::optional<TextAlignment> align;
};

std::optional<TextAlignment> alignment(std::string_view value) {
  std::string lower(value);
  std::transform(lower.begin(), lower.end(), lower.begin(), lowerASCII);
  if (lower == "left") return TextAlignment::left;
  if (lower == "center" || lower == "middle") return TextAlignment::center;
  if (lower == "right") return TextAlignment::right;
  if (lower == "justify") return TextAlignment::justify;
  return std::nullopt;
}

// Reads the tag that opens at `at` (a '<' followed by a name or '/'); moves
// `at` past it. Attribute values may be quoted or not.
Tag readTag(std::string_view s, std::size_t& at) {
  Tag tag;
  ++at;
  if (at < s.size() && s[at] == '/') {
    tag.closing = true;
    ++at;
  }
  while (at < s.size() && isNameChar(s[at])) tag.name += lowerASCII(s[at++]);
  while (at < s.size() && s[at] != '>') {
    if (!isNameChar(s[at])) {
      ++at;
      continue;
    }
    std::string attribute;
    while (at < s.size() && isNameChar(s[at])) attribute += lowerASCII(s[at++]);
    while (at < s.size() && isSpace(s[at])) ++at;
    if (at >= s.size() || s[at] != '=') continue;
    ++at;
    while (at < s.size() && isSpace(s[at])) ++at;
    std::size_t end;
    std::size_t start = at;
    if (at < s.size() && (s[at] == '"' || s[at] == '\'')) {
      start = at + 1;
      end = std::min(s.find(s[at], start), s.size());
      at = std::min(end + 1, s.size());
    } else {
      while (at < s.size() && !isSpace(s[at]) && s[at] != '>') ++at;
      end = at;
    }
    if (attribute == "align") tag.align = alignment(s.substr(start, end - start));
  }
  if (at < s.size()) ++at;  // '>'
  return tag;
}

// The entity at `at` ('&') decoded, moving `at` past it; nothing (and `at`
// unmoved) for one not known here.
std::optional<std::string> entity(std::string_view s, std::size_t& at) {
  const std::size_t end = s.find(';', at);
  if (end == std::string_view::npos || end - at > 10) return std::nullopt;
  const std::string_view name = s.substr(at + 1, end - at - 1);
  std::optional<std::string> out;
  if (name == "amp") out = "&";
  if (name == "lt") out = "<";
  if (name == "gt") out = ">";
  if (name == "quot") out = "\"";
  if (name == "apos") out = "'";
  if (name == "nbsp") out = "\u00A0";
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    std::uint32_t code = 0;
    bool digits = name.size() > (hex ? 2u : 1u);
    for (const char c : name.substr(hex ? 2 : 1)) {
      const int d = c >= '0' && c <= '9'                                  ? c - '0'
                    : hex && lowerASCII(c) >= 'a' && lowerASCII(c) <= 'f' ? lowerASCII(c) - 'a' + 10
                                                                          : -1;
      if (d < 0 || code > 0x10FFFF) digits = false;
      if (!digits) break;
      code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
    }
    // Only characters a run may hold: no controls, surrogates or non-characters past Unicode.
    if (digits && code >= 0x20 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) &&
        !(code >= 0x7F && code <= 0x9F)) {
      std::u16string units;
      if (code >= 0x10000) {
        units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
        units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
      } else {
        units += static_cast<char16_t>(code);
      }
      out = text::fromUTF16(units);
    }
  }
  if (out) at = end + 1;
  return out;
}

// Bold, italic, underline.
struct Emphasis {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool operator==(const Emphasis&) const = default;
};

Emphasis emphasisOf(const TextRun& run) { return {run.bold, run.italic, run.underline}; }

// Builds the blocks as the fragment's tags and text arrive. Each open table
// is a level whose elements are those of the cell being written.
class BlockBuilder {
 public:
  BlockBuilder(const TextRun& run, const ParagraphItem& paragraph) : run_(run), paragraph_(paragraph) {
    run_.text.clear();
    run_.image.reset();
    paragraph_.runs.clear();
    paragraph_.listMarker.reset();
    levels_.emplace_back();
  }

  // Text as written: white space runs become one space, none opens a line.
  void text(std::string_view piece) {
    for (std::size_t at = 0; at < piece.size();) {
      if (isSpace(piece[at])) {
        pendingSpace_ = true;
        ++at;
        continue;
      }
      std::size_t end = at;
      while (end < piece.size() && !isSpace(piece[end])) ++end;
      character(piece.substr(at, end - at));
      at = end;
    }
  }
  void character(std::string_view decoded) {
    if (pendingSpace_ && !current_.runs.empty()) append(" ");
    pendingSpace_ = false;
    append(decoded);
  }

  void tag(const Tag& tag) {
    const std::string& n = tag.name;
    const int delta = tag.closing ? -1 : 1;
    if (n == "b" || n == "strong") bold_ = std::max(0, bold_ + delta);
    if (n == "i" || n == "em") italic_ = std::max(0, italic_ + delta);
    if (n == "u") underline_ = std::max(0, underline_ + delta);
    if (n == "br") endParagraph(true);
    if (n == "p" || n == "div") {
      endParagraph(false);
      level().align = tag.closing ? std::nullopt : tag.align;
    }
    if (n == "table") {
      tag.closing ? closeTable() : openTable();
    } else if (ignoredTables_ == 0 && levels_.size() > 1 && (n == "tr" || n == "td" || n == "th")) {
      if (tag.closing) {
        closeCell();
      } else if (n == "tr") {
        openRow();
      } else {
        openCell(tag.align, n == "th");
      }
    }
  }

  std::vector<DocumentElement> finish() && {
    while (levels_.size() > 1) closeTable();
    endParagraph(false);
    return std::move(levels_.front().elements);
  }

 private:
  struct Level {
    std::vector<DocumentElement> elements;
    TableItem table;  // unused at the value's own level
    bool inCell = false;
    bool heading = false;  // the cell is a `th`
    std::optional<TextAlignment> cellAlign;
    std::optional<TextAlignment> align;  // of the `p` or `div` open in it
    std::size_t cells = 0;
  };
  Level& level() { return levels_.back(); }
  bool inTable() const { return levels_.size() > 1; }

  Emphasis emphasis() const {
    const bool heading = levels_.back().heading;
    return {run_.bold || bold_ > 0 || heading, run_.italic || italic_ > 0, run_.underline || underline_ > 0};
  }

  void append(std::string_view piece) {
    if (inTable() && !level().inCell) openCell(std::nullopt, false);
    const Emphasis wanted = emphasis();
    if (current_.runs.empty() || emphasisOf(current_.runs.back()) != wanted) {
      TextRun next = run_;
      next.bold = wanted.bold;
      next.italic = wanted.italic;
      next.underline = wanted.underline;
      current_.runs.push_back(std::move(next));
    }
    current_.runs.back().text += piece;
  }

  // A line break keeps an empty line; other ends leave none.
  void endParagraph(bool keepEmpty) {
    pendingSpace_ = false;
    if (current_.runs.empty() && !keepEmpty) return;
    if (inTable() && !level().inCell) openCell(std::nullopt, false);
    ParagraphItem paragraph = paragraph_;
    paragraph.alignment = level().align.value_or(level().cellAlign.value_or(paragraph_.alignment));
    paragraph.runs = std::move(current_.runs);
    current_.runs.clear();
    level().elements.emplace_back(std::move(paragraph));
  }

  void openTable() {
    if (ignoredTables_ > 0 || static_cast<int>(levels_.size()) > MarkupValue::kMaxTableDepth) {
      ++ignoredTables_;
      return;
    }
    endParagraph(false);
    if (inTable() && !level().inCell) openCell(std::nullopt, false);
    levels_.emplace_back();
  }

  void closeTable() {
    if (ignoredTables_ > 0) {
      --ignoredTables_;
      return;
    }
    if (!inTable()) return;
    closeCell();
    TableItem table = std::move(level().table);
    levels_.pop_back();
    std::erase_if(table.rows, [](const TableRow& row) { return row.cells.empty(); });
    if (!table.rows.empty()) level().elements.emplace_back(std::move(table));
  }

  void openRow() {
    closeCell();
    if (level().cells < MarkupValue::kMaxCells) level().table.rows.emplace_back();
  }

  void openCell(std::optional<TextAlignment> align, bool heading) {
    closeCell();
    Level& table = level();
    table.inCell = true;
    if (table.cells >= MarkupValue::kMaxCells) return;  // later text joins the last cell
    ++table.cells;
    if (table.table.rows.empty()) table.table.rows.emplace_back();
    table.table.rows.back().cells.emplace_back();
    table.cellAlign = align;
    table.align.reset();
    table.heading = heading;
  }

  void closeCell() {
    if (!inTable() || !level().inCell) return;
    endParagraph(false);
    Level& table = level();
    table.inCell = false;
    if (table.cells > MarkupValue::kMaxCells || table.table.rows.empty() ||
        table.table.rows.back().cells.empty())
      return;
    TableCell& cell = table.table.rows.back().cells.back();
    for (DocumentElement& element : table.elements) cell.elements.push_back(std::move(element));
    table.elements.clear();
    if (cell.elements.empty()) {
      ParagraphItem empty = paragraph_;
      empty.alignment = table.cellAlign.value_or(paragraph_.alignment);
      cell.elements.emplace_back(std::move(empty));
    }
    table.heading = false;
  }

  TextRun run_;
  ParagraphItem paragraph_;
  ParagraphItem current_;
  std::vector<Level> levels_;
  int bold_ = 0;
  int italic_ = 0;
  int underline_ = 0;
  int ignoredTables_ = 0;
  bool pendingSpace_ = false;
};

std::size_t skipSpace(std::string_view s, std::size_t at) {
  while (at < s.size() && isSpace(s[at])) ++at;
  return at;
}

}  // namespace

bool MarkupValue::isMarkup(std::string_view value) {
  std::size_t at = skipSpace(value, 0);
  if (at >= value.size() || value[at] != '<') return false;
  const Tag tag = readTag(value, at);
  return !tag.closing && std::find(kKnownTags.begin(), kKnownTags.end(), tag.name) != kKnownTags.end();
}

std::vector<DocumentElement> MarkupValue::blocks(std::string_view value, const TextRun& run,
                                                 const ParagraphItem& paragraph) {
  BlockBuilder builder(run, paragraph);
  std::size_t tags = 0;
  std::size_t at = 0;
  while (at < value.size()) {
    const std::size_t next = value.find_first_of("<&", at);
    builder.text(value.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
    if (next == std::string_view::npos) break;
    at = next;
    if (value[at] == '&') {
      if (const std::optional<std::string> decoded = entity(value, at)) {
        builder.character(*decoded);
      } else {
        builder.text(value.substr(at++, 1));
      }
    } else if (value.substr(at).starts_with("<!--")) {
      const std::size_t end = value.find("-->", at + 4);
      at = end == std::string_view::npos ? value.size() : end + 3;
    } else if (tags < kMaxTags && at + 1 < value.size() &&
               (value[at + 1] == '/' || isNameChar(value[at + 1]))) {
      ++tags;
      builder.tag(readTag(value, at));
    } else {
      builder.text(value.substr(at++, 1));
    }
  }
  return std::move(builder).finish();
}

}  // namespace maravel
