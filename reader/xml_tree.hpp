// The in-memory tree of content.xml.
//
// XMLTreeBuilder receives the events of the platform's XML parser and grows a
// tree that keeps element names, attributes (names lower-cased), child
// elements in order and the text directly inside each element. Comments,
// processing instructions and the XML declaration are not kept.
//
// Nesting is bounded: an element deeper than XMLTreeBuilder::kMaxDepth (1,000
// elements below the document root, far above any real document) is left
// out together with everything inside it, and the parse goes on with what
// follows. Code that walks a tree from parseXMLTree may therefore recurse
// once per level; destroying a tree never recurses, whatever its depth.
//
// Size is bounded too: after XMLTreeBuilder::kMaxElements elements (500,000;
// a thousand-page decision has about 200,000) the parse stops and the tree
// holds those elements; a few hundred kilobytes of compressed markup could
// otherwise expand into millions of nodes and gigabytes of memory. An
// attribute value longer than XMLTreeBuilder::kMaxAttributeBytes is left
// out of its element. Neither counts as a failure: what came before the
// bound is the document.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace maravel {

using AttributeMap = std::unordered_map<std::string, std::string>;

struct XMLNode {
  XMLNode() = default;
  XMLNode(const XMLNode&) = default;
  XMLNode(XMLNode&&) noexcept = default;
  XMLNode& operator=(const XMLNode&) = default;
  XMLNode& operator=(XMLNode&&) noexcept = default;
  ~XMLNode();  // takes the subtree apart without recursion

  std::string name;         // as written, prefix and case kept
  AttributeMap attributes;  // names lower-cased
  std::vector<XMLNode> children;
  std::string text;  // character data and CDATA directly inside, joined

  // The first child with this exact name, or nullptr.
  const XMLNode* child(std::string_view childName) const;
};

class XMLTreeBuilder {
 public:
  // Elements nested deeper than this below the document root are dropped.
  static constexpr std::size_t kMaxDepth = 1000;
  // Elements past this count are dropped.
  static constexpr std::size_t kMaxElements = 500'000;
  // Longer attribute values are dropped: 64 MiB, the base64 text of a
  // 48 MB picture.
  static constexpr std::size_t kMaxAttributeBytes = std::size_t{64} << 20;

  using Attributes = std::vector<std::pair<std::string_view, std::string_view>>;

  XMLTreeBuilder();

  // Event callbacks, in document order.
  void didStartElement(std::string_view name, const Attributes& attributes);
  void didEndElement();
  void foundCharacters(std::string_view text);
  // Bytes decoded as UTF-8, every invalid sequence replaced by U+FFFD.
  void foundCDATA(std::string_view bytes);

  // True once the element count reached kMaxElements: the parse should
  // stop, the tree is complete up to there.
  bool full() const { return full_; }

  const XMLNode& root() const { return root_; }
  // The tree; the builder starts over with an empty root.
  XMLNode takeRoot();

 private:
  XMLNode root_;
  std::vector<XMLNode*> stack_;   // open elements; root_ first, never removed
  std::size_t droppedDepth_ = 0;  // open elements that were dropped
  std::size_t elementCount_ = 0;
  bool full_ = false;
};

struct XMLParseResult {
  XMLNode root;          // named "#document"; the document element its child
  bool success = false;  // false: the tree holds what was built up to an XML error
};

// Parses UTF-8 bytes (whatever encoding the declaration names) into a tree.
// Never loads external entities.
XMLParseResult parseXMLTree(std::string_view utf8);

// The same for a document handed over, whose text is released before the
// tree grows: a large document is then not held twice.
XMLParseResult parseOwnedXMLTree(std::string utf8);

}  // namespace maravel
