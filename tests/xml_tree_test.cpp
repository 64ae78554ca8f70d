#include "reader/xml_tree.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace maravel {
namespace {

const XMLNode& documentElement(const XMLParseResult& result) {
  EXPECT_EQ(result.root.name, "#document");
  EXPECT_EQ(result.root.children.size(), 1u);
  return result.root.children.front();
}

// Names, attributes and the length and hash of the text of every node,
// children indented below.
std::string outline(const XMLNode& node, std::size_t depth = 0) {
  std::string out = std::string(depth, ' ') + node.name;
  for (const auto& [name, value] : node.attributes) out += " " + name + "=" + value.substr(0, 20);
  out += " [" + std::to_string(node.text.size()) + " " + std::to_string(std::hash<std::string>{}(node.text)) + "]\n";
  for (const XMLNode& child : node.children) out += outline(child, depth + 1);
  return out;
}

// The editor's tree itself is read by every golden document.
TEST(XMLTreeTest, AttributeNamesDifferingInCaseCollapse) {
  const XMLParseResult result = parseXMLTree(R"(<style Name="a" name="b" LEFTMARGİN="1"/>)");
  ASSERT_TRUE(result.success);
  const AttributeMap& attributes = documentElement(result).attributes;
  EXPECT_EQ(attributes.size(), 2u);
  EXPECT_TRUE(attributes.contains("name"));
  EXPECT_TRUE(attributes.contains("leftmargi\xCC\x87n"));  // Unicode default mapping, not Turkish
}

// Text around a child is joined and entities are replaced; the bytes were
// decoded to UTF-8 before parsing, so a declared Windows-1254 is stale; the
// external subset is never loaded, so a reference to its entity is skipped.
TEST(XMLTreeTest, TextOfTheDocumentElement) {
  const std::string joined =
      R"(<p v="&lt;x&gt; &amp; &#x130;">&quot;t&apos;<b>inner</b><![CDATA[ & after]]> end</p>)";
  for (const auto& [xml, text] :
       {std::pair<std::string, std::string>{joined, "\"t' & after end"},
        {"<?xml version=\"1.0\" encoding=\"windows-1254\"?><content>ğüş</content>", "ğüş"},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE t SYSTEM \"/etc/passwd\">\n<t>[&ext;]</t>", "[]"}}) {
    const XMLParseResult result = parseXMLTree(xml);
    EXPECT_EQ(documentElement(result).text, text) << xml;
  }
  const XMLParseResult result = parseXMLTree(joined);
  EXPECT_EQ(documentElement(result).attributes.at("v"), "<x> & İ");
  EXPECT_EQ(documentElement(result).children.at(0).text, "inner");
}

TEST(XMLTreeTest, EmptyOrEarlyFailingDocumentLeavesRootEmpty) {
  for (const std::string_view input : {"", "   ", "<?xml version=\"1.0\"?>", "<<template/>", "not xml"}) {
    const XMLParseResult result = parseXMLTree(input);
    EXPECT_FALSE(result.success) << input;
    EXPECT_EQ(result.root.name, "#document");
    EXPECT_TRUE(result.root.children.empty()) << input;
  }
}

TEST(XMLTreeTest, ErrorKeepsThePartialTree) {
  const XMLParseResult result =
      parseXMLTree("<template><content><![CDATA[metin]]></content><elements><paragraph></elements>");
  EXPECT_FALSE(result.success);
  const XMLNode& root = documentElement(result);
  EXPECT_EQ(root.child("content")->text, "metin");
  ASSERT_NE(root.child("elements"), nullptr);
  EXPECT_EQ(root.child("elements")->children.size(), 1u);
}

TEST(XMLTreeTest, EntityBombIsRejected) {
  std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
  for (int i = 1; i <= 9; ++i) {
    bomb += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) bomb += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
    bomb += "\">\n";
  }
  bomb += "]>\n<lolz>&lol9;</lolz>";
  const XMLParseResult result = parseXMLTree(bomb);
  EXPECT_FALSE(result.success);
  EXPECT_TRUE(result.root.children.empty());
}

// An attribute list declaration is refused like an entity; a start tag of
// too many attributes and the element that brings a name too many end the
// document, which keeps what came before them.
TEST(XMLTreeTest, AttributeListsCrowdedTagsAndTooManyNamesEndTheDocument) {
  std::string full = "<b q='=>=' w=\"'>=\"";  // "=" and ">" inside values do not count
  for (int i = 2; i < 1000; ++i) full += " x" + std::to_string(i) + "=\"\"";
  const std::string crowded = "<t><a/>" + full + " y=\"\"";
  std::string names = "<t>";
  for (int i = 0; i < 5000; ++i) names += "<e" + std::to_string(i) + "/>";
  const struct {
    std::string xml;
    bool success;
    std::size_t kept;  // children of the document element
  } cases[] = {{"<!DOCTYPE t [<!ATTLIST p a CDATA \"1\">]><t><p/></t>", false, 0},
               {crowded + "/><c/></t>", true, 1},
               {"<t><a/>" + full + "/></t>", true, 2},
               {names + "</t>", true, 4095}};
  for (const auto& c : cases) {
    const XMLParseResult result = parseXMLTree(c.xml);
    EXPECT_EQ(result.success, c.success) << c.xml.substr(0, 40);
    EXPECT_EQ(result.root.children.empty() ? 0 : result.root.children[0].children.size(), c.kept);
  }
}

TEST(XMLTreeTest, NestingBeyondTheLimitDropsTheDeepPartAndGoesOn) {
  const std::size_t depth = 100000;
  std::string deep = "<doc>";
  for (std::size_t i = 0; i < depth; ++i) deep += "<a>";
  for (std::size_t i = 0; i < depth; ++i) deep += "</a>";
  const XMLParseResult result = parseXMLTree(deep + "<after/></doc>");
  EXPECT_TRUE(result.success);
  std::size_t levels = 0;
  for (const XMLNode* node = &result.root; !node->children.empty(); node = &node->children.front()) ++levels;
  EXPECT_EQ(levels, XMLTreeBuilder::kMaxDepth);
  ASSERT_EQ(result.root.children.at(0).children.size(), 2u);
  EXPECT_EQ(result.root.children[0].children[1].name, "after");
}

TEST(XMLTreeTest, ParsingStopsAfterTheElementLimitAndKeepsWhatCameBefore) {
  std::string many = "<elements>";
  for (std::size_t i = 0; i < XMLTreeBuilder::kMaxElements + 10; ++i) many += "<p/>";
  const XMLParseResult result = parseXMLTree(many + "</elements>");
  EXPECT_TRUE(result.success);
  ASSERT_EQ(result.root.children.size(), 1u);
  EXPECT_EQ(result.root.children[0].children.size(), XMLTreeBuilder::kMaxElements - 1);
}

// A document over 16 MB that the parser may use up goes to it in pieces;
// one long start tag spans many of them.
TEST(XMLTreeTest, OverlongAttributeValuesAreLeftOut) {
  const std::string value(XMLTreeBuilder::kMaxAttributeBytes + 1, 'A');
  std::string xml = "<image imageData=\"" + value + "\" width=\"10\"/>";
  for (const XMLParseResult& result : {parseXMLTree(xml), parseConsumedXMLTree(xml)}) {
    ASSERT_TRUE(result.success);
    EXPECT_EQ(result.root.children.at(0).attributes, (AttributeMap{{"width", "10"}}));
  }
}

TEST(XMLTreeTest, ADocumentUsedUpInPiecesGivesTheSameTree) {
  std::string xml = "<t><content><![CDATA[" + std::string(std::size_t{17} << 20, 'x') +
                    "\xC4\x9F]]></content><p a=\"1\">b</p></t>";
  const XMLParseResult whole = parseXMLTree(xml);
  const XMLParseResult used = parseConsumedXMLTree(xml);
  ASSERT_TRUE(used.success);
  const XMLNode& t = documentElement(used);
  EXPECT_EQ(t.children.at(0).text, documentElement(whole).children.at(0).text);
  EXPECT_EQ(t.children.at(1).attributes, (AttributeMap{{"a", "1"}}));
  EXPECT_EQ(t.children.at(1).text, "b");
}

// A document used up hands its long CDATA sections over itself where expat
// would pass them on unchanged; wherever they stand and whatever they hold,
// the tree is the one expat makes of them.
TEST(XMLTreeTest, LongCDATASectionsGiveTheTreeExpatGives) {
  const std::string body = std::string(70 * 1024, 'a') + "\n\t\xC4\x9F]]";
  const auto section = [&](std::string_view tail) { return "<![CDATA[" + body + std::string(tail) + "]]>"; };
  const struct {
    const char* name;
    std::string xml;
  } cases[] = {
      {"plain", "<t><c>" + section("") + "</c><p a=\"1\">b</p></t>"},
      {"carriage returns", "<t><c>" + section("\r\n\r") + "</c></t>"},
      {"a control character", "<t><c>" + section("\x01") + "</c></t>"},
      {"U+FFFE", "<t><c>" + section("\xEF\xBF\xBE") + "</c></t>"},
      {"U+FFFF", "<t><c>" + section("\xEF\xBF\xBF") + "</c></t>"},
      {"two sections and text", "<t><c>x" + section("") + "y" + section("z") + "</c></t>"},
      {"after a short one", "<t><c><![CDATA[<![CDATA[]]></c><d>" + section("") + "</d></t>"},
      {"inside a comment", "<t><!-- " + section("") + " --><p/></t>"},
      {"inside a processing instruction", "<t><?pi " + section("") + "?><p/></t>"},
      {"inside an attribute value", "<t a=\"" + section("") + "\"/>"},
      {"before the document element", section("") + "<t/>"},
      {"unclosed", "<t><c><![CDATA[" + body},
      {"cut after it", "<t><c>" + section("") + "</c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const XMLParseResult whole = parseXMLTree(c.xml);
    std::string used = c.xml;
    const XMLParseResult consumed = parseConsumedXMLTree(used);
    EXPECT_EQ(consumed.success, whole.success);
    EXPECT_EQ(outline(consumed.root), outline(whole.root));
  }
}

}  // namespace
}  // namespace maravel
