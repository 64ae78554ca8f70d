#include "reader/style_sheet.hpp"

#include <gtest/gtest.h>

#include <tuple>

namespace maravel {
namespace {

class StyleSheetTest : public ::testing::Test {
 protected:
  void addStyle(const std::string& name, AttributeMap attributes) {
    attributes["name"] = name;
    sheet.styles[name] = std::move(attributes);
  }

  // Styles s1 .. sN, each resolving to the next; the last holds `key`.
  void addChain(int length, const std::string& key) {
    for (int i = 1; i <= length; ++i) {
      AttributeMap attributes;
      if (i < length) attributes["resolver"] = "s" + std::to_string(i + 1);
      if (i == length) attributes[key] = "found";
      addStyle("s" + std::to_string(i), attributes);
    }
  }

  std::optional<std::string> lookup(std::string_view key, const AttributeMap& attributes) const {
    const std::string* value = sheet.lookup(key, attributes);
    return value ? std::optional<std::string>(*value) : std::nullopt;
  }

  StyleSheet sheet;
};

TEST_F(StyleSheetTest, OwnValueWinsThenTheResolverChain) {
  addStyle("hvl-default", {{"resolver", "default"}, {"family", "Arial"}});
  addStyle("default", {{"size", "12"}, {"family", "Times New Roman"}});
  const AttributeMap run = {{"resolver", "hvl-default"}};
  EXPECT_EQ(lookup("size", {{"size", "14"}, {"resolver", "default"}}), "14");
  EXPECT_EQ(lookup("size", run), "12");
  EXPECT_EQ(lookup("family", run), "Arial");
  EXPECT_EQ(lookup("bold", run), std::nullopt);
  EXPECT_EQ(sheet.lookup("size", run), &sheet.styles.at("default").at("size"));  // points into the maps
}

// Cycles and missing styles end without an answer; names are case-sensitive;
// an empty string is a value.
TEST_F(StyleSheetTest, LookupsThatEndEarly) {
  addStyle("self", {{"resolver", "self"}});
  addStyle("a", {{"resolver", "b"}});
  addStyle("b", {{"resolver", "a"}});
  addStyle("c", {{"resolver", "edf_1700000000000"}});
  addStyle("default", {{"size", "12"}, {"family", "Arial"}});
  addStyle("blank", {{"family", ""}, {"resolver", "default"}});
  const std::tuple<std::string, AttributeMap, std::optional<std::string>> cases[] = {
      {"size", {{"resolver", "self"}}, std::nullopt},
      {"size", {{"resolver", "a"}}, std::nullopt},
      {"size", {{"resolver", "c"}}, std::nullopt},
      {"size", {{"resolver", "Default"}}, std::nullopt},
      {"size", {}, std::nullopt},
      {"family", {{"family", ""}, {"resolver", "default"}}, ""},
      {"family", {{"resolver", "blank"}}, ""}};
  for (const auto& [key, attributes, value] : cases) EXPECT_EQ(lookup(key, attributes), value) << key;
  EXPECT_EQ(StyleSheet{}.lookup("size", {{"resolver", "default"}}), nullptr);
}

TEST_F(StyleSheetTest, SixteenStylesAreVisitedButNotSeventeen) {
  addChain(16, "size");
  EXPECT_EQ(lookup("size", {{"resolver", "s1"}}), "found");
  sheet.styles.clear();
  addChain(17, "size");
  EXPECT_EQ(lookup("size", {{"resolver", "s1"}}), std::nullopt);
  EXPECT_EQ(lookup("size", {{"resolver", "s2"}}), "found");
}

}  // namespace
}  // namespace maravel
