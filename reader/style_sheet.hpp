// The document's named styles and the lookup through their resolver chains.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "reader/xml_tree.hpp"

namespace maravel {

struct StyleSheet {
  // Style name to that style's whole attribute map (names lower-cased).
  std::unordered_map<std::string, AttributeMap> styles;

  // The value of `key` in `attributes`, else in the style its "resolver"
  // names, following resolvers through at most 16 styles. An empty string is
  // a value and ends the search. The pointer stays valid as long as both the
  // style sheet and `attributes` do.
  const std::string* lookup(std::string_view key, const AttributeMap& attributes) const;

  // The value of `key` found by following the chain that starts at the style
  // named `styleName` (at most 16 styles): what lookup() answers for an
  // attribute map without `key` whose "resolver" names that style.
  const std::string* lookupFrom(std::string_view key, const std::string& styleName) const;
};

}  // namespace maravel
