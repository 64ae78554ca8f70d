// Turns the element tree of content.xml into the model's paragraphs and
// tables.
//
// Run texts are cut out of the document's text block by UTF-16 offsets;
// paragraph and run properties are looked up on the element, then (for runs)
// on the paragraph, then on the section attributes, each through its style
// chain. Nothing fails: unusable values take their defaults, elements of
// other names are skipped, offsets outside the text block are clamped.
//
// One builder serves one document (body, header and footer) on one thread.
// It keeps the bounds below across all its calls, so a hostile document
// cannot make the model or the work grow past them. The XMLNode arguments
// are only read; they need not outlive the call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/udf_document.hpp"
#include "reader/list_numbering.hpp"
#include "reader/style_sheet.hpp"
#include "reader/xml_tree.hpp"

namespace maravel {

class ElementBuilder {
 public:
  // Tables nest at most this deep (a top-level table is level 1); deeper
  // tables are dropped with everything inside them, so building, copying and
  // destroying the model recurse at most this far.
  static constexpr int kMaxTableDepth = 32;

  // At most this many tab stops per paragraph (those with the smallest
  // positions); real documents carry up to about 180.
  static constexpr std::size_t kMaxTabStopsPerParagraph = 1000;

  // At most this many tab stops are parsed for one document (16 bytes each:
  // 128 MB); later tab settings give a shortened, possibly empty, list. A
  // setting inherited from a style or the section, or repeated on recent
  // paragraphs, is parsed once and its list shared by every paragraph that
  // takes it, at no further cost.
  static constexpr std::size_t kTabStopBudget = 8'000'000;

  // Run texts of one document together hold at most four times the text
  // block plus this many UTF-16 code units; the run that crosses the limit
  // is cut and later text runs are dropped.
  static constexpr std::size_t kRunTextAllowance = 1 << 20;

  // At most this many pieces of a columnSpans list are read (tables have a
  // few dozen columns), and at most kColumnSpanBudget widths in a document
  // (8 bytes each: 32 MB); later lists are shortened, possibly to nothing.
  static constexpr std::size_t kMaxColumnSpans = 1000;
  static constexpr std::size_t kColumnSpanBudget = 4'000'000;

  // A property value (other than "tabset") longer than this many bytes is
  // found but unusable and gives its default. Real values (numbers, font
  // families, list format names) are far shorter; the bound keeps inherited
  // values from being re-parsed or copied in full for every run.
  static constexpr std::size_t kMaxPropertyLength = 256;

  // The document-wide budgets; tests may make them small.
  struct Budgets {
    std::size_t runTextAllowance = kRunTextAllowance;
    std::size_t tabStops = kTabStopBudget;
    std::size_t columnSpans = kColumnSpanBudget;
  };

  ElementBuilder(StyleSheet styles, std::u16string text, AttributeMap sectionAttributes);
  ElementBuilder(StyleSheet styles, std::u16string text, AttributeMap sectionAttributes, Budgets budgets);

  // The paragraphs and tables among the node's direct children, in order.
  std::vector<DocumentElement> elements(const XMLNode& node, ListNumbering& numbering);
  ParagraphItem paragraph(const XMLNode& node, ListNumbering& numbering);
  TableItem table(const XMLNode& node, ListNumbering& numbering);

  // The low 24 bits of a trimmed signed decimal integer; nothing for no
  // value, an empty value or anything else (hexadecimal included).
  static std::optional<std::uint32_t> rgb(const std::string* value);

  // "position:alignment[:...]" pieces separated by commas, sorted by
  // position (stable); pieces without a number position are dropped. At most
  // kMaxTabStopsPerParagraph stops.
  static std::vector<TabStop> tabStops(std::string_view value);

  // Comma-separated numbers among the first `limit` pieces; nothing for no
  // value or when none parses (never an empty list).
  static std::optional<std::vector<double>> spans(const std::string* value,
                                                  std::size_t limit = kMaxColumnSpans);

  // Nothing without a "border" key; else its kind, "bordercolor" via rgb and
  // "borderwidth" (1 when absent or not a number).
  static std::optional<TableBorder> border(const AttributeMap& attributes);

 private:
  // The values of the run formatting keys (bold ... background, in the
  // order of kRunKeys in the source), nullptr where there is none.
  static constexpr std::size_t kRunKeyCount = 10;
  using RunValues = std::array<const std::string*, kRunKeyCount>;

  const std::string* inherited(std::string_view key, const AttributeMap& attributes) const;
  const std::string* paragraphProperty(std::string_view key, const AttributeMap& paragraph) const;
  // What inherited() answers for each run key, in one pass over the map.
  RunValues inheritedRunValues(const AttributeMap& attributes) const;
  RunValues styleRunValues(const std::string& styleName) const;
  // What the paragraph gives runs that do not set a key themselves.
  RunValues paragraphRunValues(const AttributeMap& paragraph) const;
  void readParagraphProperties(const XMLNode& node, ParagraphItem& item);
  std::optional<TabStopList> paragraphTabStops(const XMLNode& node);
  TabStopList ownTabStops(const std::string& value);
  TabStopList parseWithinBudget(std::string_view value);
  std::optional<TextRun> run(const XMLNode& child, const RunValues& paragraphValues);
  void readRunFormat(const AttributeMap& run, const RunValues& paragraphValues, TextRun& result) const;
  std::optional<std::string> runText(const XMLNode& child);
  std::optional<std::string> sliceText(std::int64_t startOffset, std::int64_t length);
  std::optional<std::string> ownText(const std::string& text);
  std::optional<TableItem> nestedTable(const XMLNode& node, ListNumbering& numbering);
  // spans() within what is left of the document's budget, counted against it.
  std::optional<std::vector<double>> spansWithinBudget(const AttributeMap& attributes);
  TableRow row(const XMLNode& node, ListNumbering& numbering);

  StyleSheet styles_;
  std::u16string text_;
  AttributeMap sectionAttributes_;

  int tableDepth_ = 0;
  std::size_t runTextLeft_;
  std::size_t tabStopsLeft_;
  std::size_t columnSpansLeft_;
  // Parsed "tabset" values found in the style sheet or the section
  // attributes (storage this builder owns), keyed by the value's address.
  std::unordered_map<const std::string*, TabStopList> inheritedTabSets_;
  // The last few "tabset" values written on paragraphs themselves, with their
  // parsed lists: the editor repeats one long list on paragraph after
  // paragraph, and those paragraphs then share it. Values longer than
  // kMaxRememberedTabSet are parsed each time.
  struct RememberedTabSet {
    std::string value;
    TabStopList stops;
  };
  static constexpr std::size_t kRememberedTabSets = 8;
  static constexpr std::size_t kMaxRememberedTabSet = 64 * 1024;
  std::vector<RememberedTabSet> ownTabSets_;
  std::size_t nextTabSet_ = 0;  // the entry replaced next once all are used
  // Answers of style chains by first style name, then key: every element
  // naming a style gets the same answer, so each chain is walked once per key
  // instead of once per run. At most kMaxChainAnswers are kept.
  static constexpr std::size_t kMaxChainAnswers = 1 << 16;
  mutable std::unordered_map<std::string, std::unordered_map<std::string, const std::string*>> chainAnswers_;
  mutable std::size_t chainAnswerCount_ = 0;
  // The same for all run keys at once, by first style name; counted in
  // chainAnswerCount_ too.
  mutable std::unordered_map<std::string, RunValues> runKeyAnswers_;
};

}  // namespace maravel
