#include "reader/xml_tree.hpp"

#include <algorithm>
#include <utility>

#include "platform/text/text.hpp"
#include "platform/xml/xml_event_parser.hpp"

namespace maravel {

namespace {

bool isASCII(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) > 0x7F) return false;
  }
  return true;
}

// Attribute names are nearly always ASCII; the full Unicode mapping is only
// needed for the rest.
std::string lowercasedName(std::string_view name) {
  if (!isASCII(name)) return text::lowercased(name);
  std::string out(name);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Feeds the platform parser's events to a builder and stops the parse once
// the builder has dropped an element for being too deep or one too many.
class TreeBuildingHandler final : public xml::XMLEventHandler {
 public:
  explicit TreeBuildingHandler(XMLTreeBuilder& builder) : builder_(builder) {}

  bool didStartElement(std::string_view name, const xml::Attributes& attributes) override {
    builder_.didStartElement(name, attributes);
    return !builder_.full();
  }
  bool didEndElement(std::string_view) override {
    builder_.didEndElement();
    return true;
  }
  bool foundCharacters(std::string_view text) override {
    if (inCDATA_) {
      builder_.foundCDATA(text);
    } else {
      builder_.foundCharacters(text);
    }
    return true;
  }
  void didStartCDATA() override { inCDATA_ = true; }
  void didEndCDATA() override { inCDATA_ = false; }

 private:
  XMLTreeBuilder& builder_;
  bool inCDATA_ = false;
};

}  // namespace

XMLNode::~XMLNode() {
  // Children without children of their own (the runs of a paragraph, most
  // nodes) go with the vector; deeper ones are moved onto a work list before
  // they die, so each destructor below this one meets an empty `children`
  // and returns at once.
  if (std::all_of(children.begin(), children.end(),
                  [](const XMLNode& child) { return child.children.empty(); }))
    return;
  std::vector<XMLNode> pending = std::move(children);
  while (!pending.empty()) {
    XMLNode node = std::move(pending.back());
    pending.pop_back();
    for (XMLNode& child : node.children) pending.push_back(std::move(child));
  }
}

const XMLNode* XMLNode::child(std::string_view childName) const {
  for (const XMLNode& node : children) {
    if (node.name == childName) return &node;
  }
  return nullptr;
}

bool XMLAdmission::start(std::size_t attributeCount) {
  if (dropped_ > 0 || depth_ >= XMLTreeBuilder::kMaxDepth || full_) {
    ++dropped_;
    return false;
  }
  if (attributeCount > XMLTreeBuilder::kMaxAttributes - attributes_) {
    full_ = true;
    ++dropped_;
    return false;
  }
  attributes_ += attributeCount;
  full_ = ++elements_ == XMLTreeBuilder::kMaxElements;
  ++depth_;
  return true;
}

bool XMLAdmission::end() {
  if (dropped_ > 0) {
    --dropped_;
    return false;
  }
  if (depth_ == 0) return false;
  --depth_;
  return true;
}

XMLTreeBuilder::XMLTreeBuilder(std::size_t documentBytes, bool validUTF8)
    : documentBytes_(documentBytes), validUTF8_(validUTF8) {
  root_.name = "#document";
  stack_.push_back(&root_);
}

void XMLTreeBuilder::didStartElement(std::string_view name, const Attributes& attributes) {
  if (!admission_.start(attributes.size())) return;
  XMLNode node;
  node.name = std::string(name);
  std::vector<AttributeMap::value_type> entries;
  entries.reserve(attributes.size());
  for (const auto& [attributeName, value] : attributes) {
    if (value.size() > kMaxAttributeBytes) continue;
    entries.emplace_back(lowercasedName(attributeName), value);
  }
  node.attributes = AttributeMap(std::move(entries));
  XMLNode& parent = *stack_.back();
  parent.children.push_back(std::move(node));
  stack_.push_back(&parent.children.back());
}

void XMLTreeBuilder::didEndElement() {
  if (admission_.end()) stack_.pop_back();
}

// Past this many bytes a text is given the room of the whole document: the
// text block of a large document is then never copied (nor held twice while
// it is), and the room it does not use is never touched.
constexpr std::size_t kLargeText = 1 << 20;

void XMLTreeBuilder::makeRoom(std::string& text, std::size_t more) const {
  const std::size_t needed = text.size() + more;
  if (needed > text.capacity() && needed > kLargeText && needed <= documentBytes_)
    text.reserve(documentBytes_);
}

void XMLTreeBuilder::foundCharacters(std::string_view text) {
  if (!admission_.innermostKept()) return;
  makeRoom(stack_.back()->text, text.size());
  stack_.back()->text.append(text);
}

void XMLTreeBuilder::foundCDATA(std::string_view bytes) {
  if (!admission_.innermostKept()) return;
  std::string& text = stack_.back()->text;
  makeRoom(text, bytes.size());
  if (validUTF8_ || text::isValidUTF8(bytes)) {
    text.append(bytes);
  } else {
    text.append(text::decodeUTF8Lossy(bytes));
  }
}

XMLNode XMLTreeBuilder::takeRoot() {
  XMLNode tree = std::move(root_);
  root_ = XMLNode{};
  root_.name = "#document";
  stack_.assign(1, &root_);
  admission_ = XMLAdmission();
  return tree;
}

namespace {

// `parse` runs the event parser with the handler it is given.
template <typename Parse>
XMLParseResult buildTree(std::size_t documentBytes, bool validUTF8, const Parse& parse) {
  XMLTreeBuilder builder(documentBytes, validUTF8);
  TreeBuildingHandler handler(builder);
  const xml::ParseEnd end = parse(handler);
  XMLParseResult result;
  result.success = end != xml::ParseEnd::malformed;
  result.root = builder.takeRoot();
  return result;
}

}  // namespace

XMLParseResult parseXMLTree(std::string_view utf8) {
  return buildTree(utf8.size(), false,
                   [&](xml::XMLEventHandler& handler) { return xml::XMLEventParser::parse(utf8, handler); });
}

XMLParseResult parseConsumedXMLTree(std::span<char> utf8) {
  return buildTree(utf8.size(), true, [&](xml::XMLEventHandler& handler) {
    return xml::XMLEventParser::parseConsuming(utf8, handler);
  });
}

namespace {

// Follows a document as XMLTreeBuilder would and keeps only the text of the
// first `childName` element directly inside the document element; stops
// once that element or the document element ends, or the text reaches its
// limit.
class ChildTextHandler final : public xml::XMLEventHandler {
 public:
  ChildTextHandler(std::string_view childName, std::size_t limit) : childName_(childName), limit_(limit) {}

  bool didStartElement(std::string_view name, const xml::Attributes& attributes) override {
    if (admission_.start(attributes.size()) && admission_.depth() == 2 && !text_ && name == childName_) {
      text_.emplace();
    }
    return !admission_.full();
  }
  bool didEndElement(std::string_view) override {
    const std::size_t depth = admission_.depth();
    return !admission_.end() || (depth > 2 || (depth == 2 && !inChild()));
  }
  bool foundCharacters(std::string_view text) override {
    if (!inChild() || admission_.depth() != 2 || !admission_.innermostKept()) return true;
    if (text.size() < limit_ - text_->size()) {
      text_->append(text);
      return true;
    }
    // The limit, cut back to where a character starts.
    std::size_t end = limit_ - text_->size();
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text_->append(text.substr(0, end));
    return false;
  }
  void didStartCDATA() override {}
  void didEndCDATA() override {}

  std::optional<std::string> take() { return std::move(text_); }

 private:
  // True while the child found is open (text_ set, nothing after it yet).
  bool inChild() const { return text_.has_value(); }

  std::string_view childName_;
  std::size_t limit_;
  XMLAdmission admission_;
  std::optional<std::string> text_;
};

}  // namespace

namespace {

// Follows a document as XMLTreeBuilder would, and keeps nothing.
class AdmissionHandler final : public xml::XMLEventHandler {
 public:
  bool didStartElement(std::string_view, const xml::Attributes& attributes) override {
    admission_.start(attributes.size());
    return !admission_.full();
  }
  bool didEndElement(std::string_view) override {
    admission_.end();
    return true;
  }
  bool foundCharacters(std::string_view) override { return true; }
  void didStartCDATA() override {}
  void didEndCDATA() override {}

 private:
  XMLAdmission admission_;
};

}  // namespace

bool isWellFormedTree(std::string_view utf8) {
  AdmissionHandler handler;
  return xml::XMLEventParser::parse(utf8, handler) != xml::ParseEnd::malformed;
}

std::optional<std::string> documentChildText(std::string_view utf8, std::string_view childName,
                                             std::size_t limit) {
  ChildTextHandler handler(childName, limit);
  xml::XMLEventParser::parse(utf8, handler);
  return handler.take();
}

}  // namespace maravel
