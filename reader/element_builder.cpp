#include "reader/element_builder.hpp"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/text/text.hpp"
#include "reader/markup_value.hpp"
#include "reader/picture_reader.hpp"

namespace maravel {

namespace {

const std::string kUnusable;

bool isTrue(const std::string* value) { return value != nullptr && *value == "true"; }

// The run formatting keys, in the order readRunFormat reads them.
constexpr std::string_view kRunKeys[] = {"bold",        "italic", "underline", "strikethrough", "subscript",
                                         "superscript", "size",   "family",    "foreground",    "background"};
enum RunKey : std::size_t {
  kBold,
  kItalic,
  kUnderline,
  kStrikethrough,
  kSubscript,
  kSuperscript,
  kSize,
  kFamily,
  kForeground,
  kBackground
};

std::optional<std::size_t> runKeyIndex(std::string_view name) {
  for (std::size_t k = 0; k < std::size(kRunKeys); ++k) {
    if (kRunKeys[k] == name) return k;
  }
  return std::nullopt;
}

const std::string* ownAttribute(const AttributeMap& attributes, const char* key) {
  const auto it = attributes.find(key);
  return it == attributes.end() ? nullptr : &it->second;
}

std::optional<std::int64_t> integerAttribute(const AttributeMap& attributes, const char* key) {
  const std::string* value = ownAttribute(attributes, key);
  return value ? text::parseInteger(*value) : std::nullopt;
}

double numberOr(const std::string* value, double fallback) {
  if (value == nullptr) return fallback;
  return text::parseNumber(*value).value_or(fallback);
}

TextAlignment alignmentOf(const std::string* value) {
  if (value == nullptr) return TextAlignment::left;
  const std::optional<std::int64_t> raw = text::parseInteger(*value);
  if (!raw) return TextAlignment::left;
  return textAlignmentFromRaw(*raw).value_or(TextAlignment::left);
}

bool takesPartAsRun(const XMLNode& child) {
  static constexpr std::string_view kRunNames[] = {"content", "field", "space", "tab", "image"};
  if (std::find(std::begin(kRunNames), std::end(kRunNames), child.name) != std::end(kRunNames)) return true;
  return child.attributes.contains("startoffset");
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  if (b > 0 && a > kMax - b) return kMax;
  if (b < 0 && a < kMin - b) return kMin;
  return a + b;
}

std::size_t clampToSize(std::int64_t value, std::size_t size) {
  if (value <= 0) return 0;
  return static_cast<std::uint64_t>(value) >= size ? size : static_cast<std::size_t>(value);
}

void removeLineBreaks(std::string& s) {
  // Runs rarely hold one: two fast searches spare the byte-by-byte pass.
  if (s.find('\n') == std::string::npos && s.find('\r') == std::string::npos) return;
  std::erase_if(s, [](char c) { return c == '\r' || c == '\n'; });
}

bool isUTF8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

ElementBuilder::ElementBuilder(StyleSheet styles, std::string text, AttributeMap sectionAttributes)
    : ElementBuilder(std::move(styles), std::move(text), std::move(sectionAttributes), Budgets{}) {}

ElementBuilder::ElementBuilder(StyleSheet styles, std::string text, AttributeMap sectionAttributes,
                               Budgets budgets)
    : styles_(std::move(styles)),
      text_(std::move(text)),
      sectionAttributes_(std::move(sectionAttributes)),
      runTextLeft_(4 * text_.size() + budgets.runTextAllowance),
      tabStopsLeft_(budgets.tabStops),
      columnSpansLeft_(budgets.columnSpans) {}

std::vector<DocumentElement> ElementBuilder::elements(const XMLNode& node, ListNumbering& numbering) {
  std::vector<DocumentElement> result;
  for (const XMLNode& child : node.children) {
    if (child.name == "paragraph") {
      for (DocumentElement& element : paragraphs(child, numbering)) result.push_back(std::move(element));
    } else if (child.name == "table") {
      if (std::optional<TableItem> item = nestedTable(child, numbering))
        result.emplace_back(std::move(*item));
    }
  }
  return result;
}

ParagraphItem ElementBuilder::paragraph(const XMLNode& node, ListNumbering& numbering) {
  std::vector<DocumentElement> elements = paragraphs(node, numbering);
  if (!elements.empty() && elements.front().paragraph() != nullptr)
    return std::move(std::get<ParagraphItem>(elements.front()));
  return {};
}

namespace {

bool holdsText(const ParagraphItem& paragraph) {
  return std::any_of(paragraph.runs.begin(), paragraph.runs.end(),
                     [](const TextRun& run) { return !run.text.empty() || run.image; });
}

}  // namespace

std::vector<DocumentElement> ElementBuilder::paragraphs(const XMLNode& node, ListNumbering& numbering) {
  std::vector<DocumentElement> result;
  ParagraphItem item;
  readParagraphProperties(node, item);
  std::optional<RunValues> paragraphValues;
  item.runs.reserve(
      static_cast<std::size_t>(std::count_if(node.children.begin(), node.children.end(), takesPartAsRun)));
  for (const XMLNode& child : node.children) {
    if (!takesPartAsRun(child)) continue;
    if (!paragraphValues) paragraphValues = paragraphRunValues(node.attributes);
    if (const std::string* markup = markupValue(child)) {
      // The paragraph is cut around the value's blocks; its parts without
      // text are left out.
      std::optional<std::string> value = ownText(*markup);
      if (!value) continue;
      TextRun base;
      readRunFormat(child.attributes, *paragraphValues, base);
      base.fieldName = *ownAttribute(child.attributes, "fieldname");
      ParagraphItem shape = item;
      shape.runs.clear();
      if (holdsText(item)) result.emplace_back(std::move(item));
      for (DocumentElement& block : MarkupValue::blocks(*value, base, shape))
        result.push_back(std::move(block));
      item = std::move(shape);
      continue;
    }
    if (std::optional<TextRun> textRun = run(child, *paragraphValues))
      item.runs.push_back(std::move(*textRun));
  }
  if (result.empty() || holdsText(item)) result.emplace_back(std::move(item));
  std::optional<std::string> marker =
      numbering.marker([&](std::string_view key) { return paragraphProperty(key, node.attributes); });
  for (DocumentElement& element : result) {
    if (auto* paragraph = std::get_if<ParagraphItem>(&element)) {
      paragraph->listMarker = std::move(marker);
      break;
    }
  }
  return result;
}

// The form value a field shows when it is written as markup; nullptr
// otherwise.
const std::string* ElementBuilder::markupValue(const XMLNode& child) const {
  if (form_ == nullptr || child.name != "field") return nullptr;
  const std::string* name = ownAttribute(child.attributes, "fieldname");
  if (name == nullptr || name->size() > FormData::kMaxNameBytes) return nullptr;
  const std::string* value = form_->value(*name, dataRow_);
  return value != nullptr && MarkupValue::isMarkup(*value) ? value : nullptr;
}

// --- Properties --------------------------------------------------------------

// Answers as styles_.lookup(key, attributes) does, remembering what each
// style chain answers.
const std::string* ElementBuilder::inherited(std::string_view key, const AttributeMap& attributes) const {
  if (const auto own = attributes.find(key); own != attributes.end()) return &own->second;
  const auto resolver = attributes.find("resolver");
  if (resolver == attributes.end()) return nullptr;
  const std::string& styleName = resolver->second;
  if (const auto style = chainAnswers_.find(styleName); style != chainAnswers_.end()) {
    if (const auto answer = style->second.find(std::string(key)); answer != style->second.end()) {
      return answer->second;
    }
  }
  const std::string* value = styles_.lookupFrom(key, styleName);
  if (chainAnswerCount_ < kMaxChainAnswers) {
    chainAnswers_[styleName].emplace(key, value);
    ++chainAnswerCount_;
  }
  return value;
}

const std::string* ElementBuilder::paragraphProperty(std::string_view key,
                                                     const AttributeMap& paragraph) const {
  const std::string* value = inherited(key, paragraph);
  if (value == nullptr) value = inherited(key, sectionAttributes_);
  if (value != nullptr && value->size() > kMaxPropertyLength) return &kUnusable;
  return value;
}

ElementBuilder::RunValues ElementBuilder::inheritedRunValues(const AttributeMap& attributes) const {
  RunValues values{};
  const std::string* resolver = nullptr;
  for (const auto& [name, value] : attributes) {
    if (name == "resolver") {
      resolver = &value;
    } else if (const std::optional<std::size_t> k = runKeyIndex(name)) {
      values[*k] = &value;
    }
  }
  if (resolver == nullptr) return values;
  const RunValues fromStyle = styleRunValues(*resolver);
  for (std::size_t k = 0; k < kRunKeyCount; ++k) {
    if (values[k] == nullptr) values[k] = fromStyle[k];
  }
  return values;
}

ElementBuilder::RunValues ElementBuilder::styleRunValues(const std::string& styleName) const {
  static_assert(std::size(kRunKeys) == kRunKeyCount);
  if (const auto found = runKeyAnswers_.find(styleName); found != runKeyAnswers_.end()) return found->second;
  RunValues values{};
  for (std::size_t k = 0; k < kRunKeyCount; ++k) values[k] = styles_.lookupFrom(kRunKeys[k], styleName);
  if (chainAnswerCount_ + kRunKeyCount <= kMaxChainAnswers) {
    runKeyAnswers_.emplace(styleName, values);
    chainAnswerCount_ += kRunKeyCount;
  }
  return values;
}

ElementBuilder::RunValues ElementBuilder::paragraphRunValues(const AttributeMap& paragraph) const {
  RunValues values = inheritedRunValues(paragraph);
  const RunValues section = inheritedRunValues(sectionAttributes_);
  for (std::size_t k = 0; k < kRunKeyCount; ++k) {
    if (values[k] == nullptr) values[k] = section[k];
    if (values[k] != nullptr && values[k]->size() > kMaxPropertyLength) values[k] = &kUnusable;
  }
  return values;
}

void ElementBuilder::readParagraphProperties(const XMLNode& node, ParagraphItem& item) {
  const auto property = [&](std::string_view key) { return paragraphProperty(key, node.attributes); };
  item.alignment = alignmentOf(property("alignment"));
  item.leftIndent = numberOr(property("leftindent"), 0);
  item.rightIndent = numberOr(property("rightindent"), 0);
  item.firstLineIndent = numberOr(property("firstlineindent"), 0);
  item.hanging = std::max(numberOr(property("hanging"), 0), 0.0);
  item.spaceAbove = numberOr(property("spaceabove"), 0);
  item.spaceBelow = numberOr(property("spacebelow"), 0);
  item.lineSpacing = std::max(numberOr(property("linespacing"), 0), 0.0);
  item.tabStops = paragraphTabStops(node);
}

// --- Tab stops ---------------------------------------------------------------

std::optional<TabStopList> ElementBuilder::paragraphTabStops(const XMLNode& node) {
  const std::string* value = inherited("tabset", node.attributes);
  if (value == nullptr) value = inherited("tabset", sectionAttributes_);
  if (value == nullptr) return std::nullopt;
  if (value == ownAttribute(node.attributes, "tabset")) return ownTabStops(*value);

  // Found in a style or on the section: the same value serves many
  // paragraphs, which all share the list parsed the first time.
  const auto [shared, added] = inheritedTabSets_.try_emplace(value);
  if (added) shared->second = parseWithinBudget(*value);
  return shared->second;
}

TabStopList ElementBuilder::ownTabStops(const std::string& value) {
  for (const RememberedTabSet& known : ownTabSets_) {
    if (known.value == value) return known.stops;
  }
  TabStopList stops = parseWithinBudget(value);
  if (value.size() > kMaxRememberedTabSet) return stops;
  if (ownTabSets_.size() < kRememberedTabSets) {
    ownTabSets_.push_back({value, stops});
  } else {
    ownTabSets_[nextTabSet_] = {value, stops};
    nextTabSet_ = (nextTabSet_ + 1) % kRememberedTabSets;
  }
  return stops;
}

TabStopList ElementBuilder::parseWithinBudget(std::string_view value) {
  if (tabStopsLeft_ == 0) return {};
  std::vector<TabStop> stops = tabStops(value);
  if (stops.size() > tabStopsLeft_) stops.resize(tabStopsLeft_);
  tabStopsLeft_ -= stops.size();
  return stops;
}

std::vector<TabStop> ElementBuilder::tabStops(std::string_view value) {
  std::vector<TabStop> stops;
  std::size_t pieceStart = 0;
  while (pieceStart <= value.size()) {
    std::size_t pieceEnd = value.find(',', pieceStart);
    if (pieceEnd == std::string_view::npos) pieceEnd = value.size();
    const std::string_view piece = value.substr(pieceStart, pieceEnd - pieceStart);
    pieceStart = pieceEnd + 1;
    if (piece.empty()) continue;

    const std::size_t colon = piece.find(':');
    const std::optional<double> position = text::parseNumber(text::trimWhitespace(piece.substr(0, colon)));
    if (!position) continue;
    TabStop stop{.position = *position};
    if (colon != std::string_view::npos) {
      std::string_view code = piece.substr(colon + 1);
      code = code.substr(0, code.find(':'));
      stop.alignment = text::parseInteger(code).value_or(0);
    }
    stops.push_back(stop);
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [](const TabStop& a, const TabStop& b) { return a.position < b.position; });
  if (stops.size() > kMaxTabStopsPerParagraph) stops.resize(kMaxTabStopsPerParagraph);
  return stops;
}

// --- Runs --------------------------------------------------------------------

std::optional<TextRun> ElementBuilder::run(const XMLNode& child, const RunValues& paragraphValues) {
  TextRun result;
  if (child.name == "image") {
    result.image = PictureReader::picture(child.attributes);
    if (!result.image) return std::nullopt;
  } else {
    std::optional<std::string> text =
        form_ != nullptr && child.name == "field" ? fieldText(child, result) : runText(child);
    if (!text) return std::nullopt;
    result.text = std::move(*text);
    removeLineBreaks(result.text);
  }
  readRunFormat(child.attributes, paragraphValues, result);
  return result;
}

// A key the run itself (or its style) sets ends the search, usable or not;
// the others take the paragraph's value.
void ElementBuilder::readRunFormat(const AttributeMap& run, const RunValues& paragraphValues,
                                   TextRun& result) const {
  RunValues values = inheritedRunValues(run);
  for (std::size_t k = 0; k < kRunKeyCount; ++k) {
    if (values[k] == nullptr) {
      values[k] = paragraphValues[k];
    } else if (values[k]->size() > kMaxPropertyLength) {
      values[k] = &kUnusable;
    }
  }
  result.bold = isTrue(values[kBold]);
  result.italic = isTrue(values[kItalic]);
  result.underline = isTrue(values[kUnderline]);
  result.strikethrough = isTrue(values[kStrikethrough]);
  result.isSubscript = isTrue(values[kSubscript]);
  result.isSuperscript = isTrue(values[kSuperscript]);
  if (const std::string* size = values[kSize]) {
    const std::optional<double> points = text::parseNumber(*size);
    if (points && *points > 0) result.fontSize = *points;
  }
  if (const std::string* family = values[kFamily]; family != nullptr && !family->empty()) {
    result.fontFamily = *family;
  }
  result.foreground = rgb(values[kForeground]);
  result.background = rgb(values[kBackground]);
}

// The run's text, or nothing when the document's run text budget is spent.
std::optional<std::string> ElementBuilder::runText(const XMLNode& child) {
  const std::optional<std::int64_t> start = integerAttribute(child.attributes, "startoffset");
  const std::optional<std::int64_t> length = integerAttribute(child.attributes, "length");
  if (start && length) return sliceText(*start, *length);
  return ownText(child.text);
}

// A form's field: its variable's value, a line break in it shown as a
// space; without a value, nothing for a variable and the text for a label.
std::optional<std::string> ElementBuilder::fieldText(const XMLNode& field, TextRun& result) {
  const std::string* name = ownAttribute(field.attributes, "fieldname");
  if (name == nullptr) return runText(field);
  const std::string* value = nullptr;
  if (name->size() <= FormData::kMaxNameBytes) {
    result.fieldName = *name;
    value = form_->value(*name, dataRow_);
  }
  if (value != nullptr) {
    std::optional<std::string> text = ownText(*value);
    if (text) std::replace(text->begin(), text->end(), '\n', ' ');
    return text;
  }
  const std::string* type = ownAttribute(field.attributes, "fieldtype");
  if (type != nullptr && *type == "1") return std::string();
  return runText(field);
}

std::optional<std::string> ElementBuilder::sliceText(std::int64_t startOffset, std::int64_t length) {
  const std::size_t start = clampToSize(startOffset, text_.size());
  const std::size_t end = std::max(clampToSize(saturatingAdd(startOffset, length), text_.size()), start);
  std::size_t count = end - start;
  if (count == 0) return std::string();
  if (runTextLeft_ == 0) return std::nullopt;
  if (count > runTextLeft_) {
    count = runTextLeft_;
    if (count > 1 && text_.isHighSurrogate(start + count - 1)) --count;
    runTextLeft_ = 0;  // the cut run is the last one
  } else {
    runTextLeft_ -= count;
  }
  return text_.slice(start, count);
}

std::optional<std::string> ElementBuilder::ownText(const std::string& text) {
  std::size_t count = text.size();
  if (count == 0) return std::string();
  if (runTextLeft_ == 0) return std::nullopt;
  if (count > runTextLeft_) {
    count = runTextLeft_;
    while (count > 0 && isUTF8Continuation(text[count])) --count;
    runTextLeft_ = 0;  // the cut run is the last one
  } else {
    runTextLeft_ -= count;
  }
  return text.substr(0, count);
}

// --- Colours -----------------------------------------------------------------

std::optional<std::uint32_t> ElementBuilder::rgb(const std::string* value) {
  if (value == nullptr) return std::nullopt;
  const std::string_view trimmed = text::trimWhitespace(*value);
  if (trimmed.empty()) return std::nullopt;
  const std::optional<std::int64_t> argb = text::parseInteger(trimmed);
  if (!argb) return std::nullopt;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(*argb) & 0xFFFFFFu);
}

}  // namespace maravel
