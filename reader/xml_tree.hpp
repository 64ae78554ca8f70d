// The in-memory tree of content.xml.
//
// XMLTreeBuilder receives the events of the platform's XML parser and grows a
// tree that keeps element names, attributes (names lower-cased), child
// elements in order and the text directly inside each element. Comments,
// processing instructions and the XML declaration are not kept.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace maravel {

using AttributeMap = std::unordered_map<std::string, std::string>;

struct XMLNode {
  std::string name;         // as written, prefix and case kept
  AttributeMap attributes;  // names lower-cased
  std::vector<XMLNode> children;
  std::string text;  // character data and CDATA directly inside, joined

  // The first child with this exact name, or nullptr.
  const XMLNode* child(std::string_view childName) const;
};

class XMLTreeBuilder {
 public:
  XMLTreeBuilder();

  // Event callbacks, in document order.
  void didStartElement(std::string_view name, const std::vector<std::pair<std::string, std::string>>& attributes);
  void didEndElement();
  void foundCharacters(std::string_view text);
  void foundCDATA(std::string_view bytes);

  const XMLNode& root() const { return root_; }
  XMLNode takeRoot();

 private:
  XMLNode root_;
  std::vector<XMLNode*> stack_;
};

struct XMLParseResult {
  XMLNode root;          // named "#document"; the document element its child
  bool success = false;  // false: the tree holds what was built up to the error
};

// Parses UTF-8 bytes (whatever encoding the declaration names) into a tree.
// Never loads external entities.
XMLParseResult parseXMLTree(std::string_view utf8);

}  // namespace maravel
