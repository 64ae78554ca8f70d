#include "reader/style_sheet.hpp"

namespace maravel {

namespace {

// The most styles one lookup visits; ends circular and over-long chains.
constexpr int kMaxResolverHops = 16;

const std::string* find(const AttributeMap& attributes, std::string_view key) {
  const auto it = attributes.find(key);
  return it == attributes.end() ? nullptr : &it->second;
}

}  // namespace

const std::string* StyleSheet::lookup(std::string_view key, const AttributeMap& attributes) const {
  if (const std::string* value = find(attributes, key)) return value;
  const std::string* styleName = find(attributes, "resolver");
  return styleName == nullptr ? nullptr : lookupFrom(key, *styleName);
}

const std::string* StyleSheet::lookupFrom(std::string_view key, const std::string& firstStyle) const {
  const std::string* styleName = &firstStyle;
  for (int hop = 0; styleName != nullptr && hop < kMaxResolverHops; ++hop) {
    const auto style = styles.find(*styleName);
    if (style == styles.end()) return nullptr;
    if (const std::string* value = find(style->second, key)) return value;
    styleName = find(style->second, "resolver");
  }
  return nullptr;
}

}  // namespace maravel
