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
// a thousand-page decision has about 425,000) or with the element whose
// attributes would pass XMLTreeBuilder::kMaxAttributes in all (2,500,000; the
// same decision has about 1,700,000) the parse stops and the tree holds what
// came before; a few hundred kilobytes of compressed markup could otherwise
// expand into millions of nodes and gigabytes of memory. An attribute value
// longer than XMLTreeBuilder::kMaxAttributeBytes is left out of its element.
// None of these counts as a failure: what came before the bound is the
// document. The event parser's own bounds (platform/xml) apply as well.
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/attribute_map.hpp"

namespace maravel {

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

// Which elements a tree keeps, by the bounds of XMLTreeBuilder: anything
// nested deeper than kMaxDepth, and everything once a size bound is reached,
// is dropped. Anything that follows a document's events by it keeps exactly
// what the tree keeps.
class XMLAdmission {
 public:
  // An element starts; true when it is kept.
  bool start(std::size_t attributeCount);
  // The innermost open element ends; true when it was kept.
  bool end();
  // True once a size bound was reached.
  bool full() const { return full_; }
  // Kept elements open, and whether the innermost open element is kept.
  std::size_t depth() const { return depth_; }
  bool innermostKept() const { return dropped_ == 0; }

 private:
  std::size_t depth_ = 0;
  std::size_t dropped_ = 0;  // open elements inside the innermost kept one
  std::size_t elements_ = 0;
  std::size_t attributes_ = 0;
  bool full_ = false;
};

class XMLTreeBuilder {
 public:
  // Elements nested deeper than this below the document root are dropped.
  static constexpr std::size_t kMaxDepth = 1000;
  // Elements past this count are dropped.
  static constexpr std::size_t kMaxElements = 500'000;
  // The element whose attributes would pass this count in all is dropped,
  // and the elements after it.
  static constexpr std::size_t kMaxAttributes = 2'500'000;
  // Longer attribute values are dropped: 64 MiB, the base64 text of a
  // 48 MB picture.
  static constexpr std::size_t kMaxAttributeBytes = std::size_t{64} << 20;

  using Attributes = std::vector<std::pair<std::string_view, std::string_view>>;

  // `documentBytes`: the length of the document the events come from, when
  // known. No text inside it can be longer, so a text that grows large is
  // given that much room at once instead of being copied as it doubles.
  // `validUTF8`: the document is known to be valid UTF-8, so CDATA needs no
  // check.
  explicit XMLTreeBuilder(std::size_t documentBytes = 0, bool validUTF8 = false);

  // Event callbacks, in document order.
  void didStartElement(std::string_view name, const Attributes& attributes);
  void didEndElement();
  void foundCharacters(std::string_view text);
  // Bytes decoded as UTF-8, every invalid sequence replaced by U+FFFD.
  void foundCDATA(std::string_view bytes);

  // True once a size bound was reached: the parse should stop, the tree is
  // complete up to there.
  bool full() const { return admission_.full(); }

  const XMLNode& root() const { return root_; }
  // The tree; the builder starts over with an empty root.
  XMLNode takeRoot();

 private:
  void makeRoom(std::string& text, std::size_t more) const;

  XMLNode root_;
  std::vector<XMLNode*> stack_;  // open elements; root_ first, never removed
  XMLAdmission admission_;
  std::size_t documentBytes_;
  bool validUTF8_;
};

struct XMLParseResult {
  XMLNode root;          // named "#document"; the document element its child
  bool success = false;  // false: the tree holds what was built up to an XML error
};

// Parses UTF-8 bytes (whatever encoding the declaration names) into a tree.
// Never loads external entities.
XMLParseResult parseXMLTree(std::string_view utf8);

// The same for a document known to be valid UTF-8 that the caller gives up
// (xml::XMLEventParser::parseConsuming): its bytes are handed back to the
// system as the parse goes on and must not be read again, only freed.
XMLParseResult parseConsumedXMLTree(std::span<char> utf8);

// Whether parseXMLTree(utf8) succeeds, from one pass that keeps no tree.
bool isWellFormedTree(std::string_view utf8);

// The text of the first element named `childName` directly inside the
// document element, exactly as the tree of the same document holds it, from
// one pass that keeps no tree and ends with that element; nothing when the
// tree would hold no such element. A document that starts with it costs
// no more than the element itself. With a `limit`, the pass ends once the
// text holds that many bytes, and the text is cut there (at the start of a
// character).
std::optional<std::string> documentChildText(std::string_view utf8, std::string_view childName,
                                             std::size_t limit = std::numeric_limits<std::size_t>::max());

}  // namespace maravel
