#include "reader/xml_tree.hpp"

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
  void didEndElement(std::string_view) override { builder_.didEndElement(); }
  void foundCharacters(std::string_view text) override {
    if (inCDATA_) {
      builder_.foundCDATA(text);
    } else {
      builder_.foundCharacters(text);
    }
  }
  void didStartCDATA() override { inCDATA_ = true; }
  void didEndCDATA() override { inCDATA_ = false; }

 private:
  XMLTreeBuilder& builder_;
  bool inCDATA_ = false;
};

}  // namespace

XMLNode::~XMLNode() {
  // Children are moved onto a work list before they die, so each destructor
  // below this one meets an empty `children` and returns at once.
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

XMLTreeBuilder::XMLTreeBuilder() {
  root_.name = "#document";
  stack_.push_back(&root_);
}

void XMLTreeBuilder::didStartElement(std::string_view name, const Attributes& attributes) {
  if (droppedDepth_ > 0 || stack_.size() > kMaxDepth || full_) {
    ++droppedDepth_;
    return;
  }
  full_ = ++elementCount_ == kMaxElements;
  XMLNode node;
  node.name = std::string(name);
  node.attributes.reserve(attributes.size());
  for (const auto& [attributeName, value] : attributes) {
    if (value.size() > kMaxAttributeBytes) continue;
    node.attributes.insert_or_assign(lowercasedName(attributeName), std::string(value));
  }
  XMLNode& parent = *stack_.back();
  parent.children.push_back(std::move(node));
  stack_.push_back(&parent.children.back());
}

void XMLTreeBuilder::didEndElement() {
  if (droppedDepth_ > 0) {
    --droppedDepth_;
  } else if (stack_.size() >= 2) {
    stack_.pop_back();
  }
}

void XMLTreeBuilder::foundCharacters(std::string_view text) {
  if (droppedDepth_ == 0) stack_.back()->text.append(text);
}

void XMLTreeBuilder::foundCDATA(std::string_view bytes) {
  if (droppedDepth_ > 0) return;
  std::string& text = stack_.back()->text;
  if (text::isValidUTF8(bytes)) {
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
  droppedDepth_ = 0;
  elementCount_ = 0;
  full_ = false;
  return tree;
}

namespace {

// `parse` runs the event parser with the handler it is given.
template <typename Parse>
XMLParseResult buildTree(const Parse& parse) {
  XMLTreeBuilder builder;
  TreeBuildingHandler handler(builder);
  const bool parsed = parse(handler);
  XMLParseResult result;
  result.success = parsed || builder.full();
  result.root = builder.takeRoot();
  return result;
}

}  // namespace

XMLParseResult parseXMLTree(std::string_view utf8) {
  return buildTree([&](xml::XMLEventHandler& handler) { return xml::XMLEventParser::parse(utf8, handler); });
}

XMLParseResult parseOwnedXMLTree(std::string utf8) {
  return buildTree([&](xml::XMLEventHandler& handler) {
    return xml::XMLEventParser::parseOwned(std::move(utf8), handler);
  });
}

}  // namespace maravel
