// Pages of documents crafted to break out of the markup, parsed by headless
// Chromium: every element, attribute, attribute value, inline declaration and
// stylesheet rule the browser ends up with must be one the page writer writes
// itself. The hostile texts stay text.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "html/html_renderer.hpp"
#include "reader/udf_parser.hpp"
#include "tests/support/chromium.hpp"
#include "tests/support/hostile_document.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using Json = nlohmann::json;

using testing::hostileArchive;
using testing::hostileDocument;
using testing::kHostile;

// The entries of a list written as one text, separated by `separator`.
std::set<std::string> entries(std::string_view list, char separator = ' ') {
  std::set<std::string> out;
  for (std::size_t at = 0; at <= list.size();) {
    const std::size_t end = std::min(list.find(separator, at), list.size());
    out.emplace(list.substr(at, end - at));
    at = end + 1;
  }
  return out;
}

const std::set<std::string> kClasses = entries(
    "verification-badge signed|verification-badge changed|verification-badge invalid|"
    "verification-badge unreadable|verification-badge uyap|badge-icon|badge-info|badge-title|badge-meta|"
    "badge-tag signer|badge-tag tc|badge-tag date|badge-tag issuer|badge-tag code|badge-tag info|badge-tag "
    "failed|"
    "document-sheet|udf-header|udf-footer|uyap-access|sheet-footer|udf-tab|udf-nj|udf-img|udf-row",
    '|');

// Generated classes and the fixed classes they are paired with.
const std::regex kGeneratedClass(R"((udf-p |udf-mk )?s[0-9]+)");
const std::regex kGeneratedRule(R"(\.s[0-9]+)");
const std::regex kPicture(R"(data:image/(png|jpeg|gif|bmp);base64,[A-Za-z0-9+/=]*)");
// Lengths, numbers, colours and the few keywords the writer uses.
const std::regex kPlainValue(R"([-+a-z0-9#.,()*% ]*)");
// One family, as a CSS string or a bare name, before the fixed fallbacks.
const std::regex kFontFamily(R"((?:"(?:[^"\\]|\\.)*"|[-A-Za-z0-9 ]+), "Times New Roman", serif)");

// "name=value|value;name=..." as name -> values; an empty value stands for
// one checked by pattern.
std::map<std::string, std::set<std::string>> attributes(std::string_view list) {
  std::map<std::string, std::set<std::string>> out;
  for (const std::string& pair : entries(list, ';')) {
    if (!pair.empty()) out[pair.substr(0, pair.find('='))] = entries(pair.substr(pair.find('=') + 1), '|');
  }
  return out;
}

// Attributes the writer puts on each element, with their fixed values.
const auto kAttributes = [] {
  std::map<std::string, std::map<std::string, std::set<std::string>>> tags = {
      {"html", attributes("lang=tr")},
      {"meta", attributes("charset=UTF-8;name=viewport;content=width=device-width, initial-scale=1.0")},
      {"div", attributes("class=;style=")},
      {"span", attributes("class=;style=")},
      {"p", attributes("class=")},
      {"img", attributes("class=udf-img;alt=;src=;style=")},
      {"table", attributes("class=udf-row")},
      {"tr", attributes("style=")},
      {"td", attributes("style=")},
      {"svg",
       attributes("width=22;height=22;viewBox=0 0 24 24;fill=none;stroke=currentColor;stroke-width=2")},
      {"path", attributes("d=M12 22s8-4 8-10V5l-8-3-8 3v7c0 6 8 10 8 10z|M9 12l2 2 4-4|M9.5 9.5l5 5|"
                          "M14.5 9.5l-5 5|M12 7.5v5|M12 15v2")},
      {"rect", attributes("x=3;y=3;width=18;height=18;rx=2;ry=2")},
      {"line", attributes("x1=9;y1=9|13|17;x2=15|11;y2=9|13|17")}};
  for (const std::string& bare : entries("head title style body strong br tbody")) tags[bare];
  return tags;
}();

// Properties of inline styles and of the generated classes.
const std::set<std::string> kInlineProperties = entries(
    "width height left top vertical-align color padding-top padding-right padding-bottom padding-left "
    "border-top-width border-top-style border-top-color border-bottom-width border-bottom-style "
    "border-bottom-color border-left-width border-left-style border-left-color border-right-width "
    "border-right-style border-right-color border-image-source border-image-slice border-image-width "
    "border-image-outset border-image-repeat");
const std::set<std::string> kClassProperties = entries(
    "font-family font-size font-weight font-style text-decoration-line text-decoration-style "
    "text-decoration-color text-decoration-thickness vertical-align color background-color text-align "
    "margin-left margin-right padding-left text-indent padding-top padding-bottom line-height");

class BrowserSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(testing::kChromium)) GTEST_SKIP() << "chromium is not installed";
  }

  // What Chromium makes of the page.
  Json report(std::string page) {
    page.insert(page.rfind("</body>"), testing::readFile(std::filesystem::path(MARAVEL_SOURCE_DIR) /
                                                         "tests/support/safety_probe.html"));
    const std::optional<std::string> dom = testing::dumpDOM(folder, page, 1000);
    if (!dom) return {};
    const std::optional<std::string> text = testing::preText(*dom, "maravel-safety");
    return text ? Json::parse(*text) : Json();
  }

  void expectOnlyOwnMarkup(const Json& page, const Json& plain) {
    ASSERT_TRUE(page.is_object()) << "the probe did not run: the page swallowed it";
    for (const Json& element : page["elements"]) {
      const std::string tag = element["tag"];
      const auto allowed = kAttributes.find(tag);
      ASSERT_NE(allowed, kAttributes.end()) << "element " << tag;
      const bool svg = tag == "svg" || tag == "path" || tag == "rect" || tag == "line";
      EXPECT_EQ(element["ns"], svg ? "http://www.w3.org/2000/svg" : "http://www.w3.org/1999/xhtml") << tag;
      for (const Json& attribute : element["attributes"]) {
        const std::string name = attribute[0], value = attribute[1];
        const auto values = allowed->second.find(name);
        ASSERT_NE(values, allowed->second.end()) << tag << " " << name << "=" << value;
        if (!values->second.contains("")) {
          EXPECT_TRUE(values->second.contains(value)) << tag << " " << name << "=" << value;
        } else if (name == "class") {
          EXPECT_TRUE(kClasses.contains(value) || std::regex_match(value, kGeneratedClass)) << value;
        } else if (name == "src") {
          EXPECT_TRUE(std::regex_match(value, kPicture)) << value.substr(0, 80);
        } else if (name == "alt") {
          EXPECT_EQ(value, "");
        }
      }
      for (const Json& declaration : element["style"]) {
        EXPECT_TRUE(kInlineProperties.contains(declaration[0])) << tag << " " << declaration;
        EXPECT_TRUE(std::regex_match(declaration[1].get<std::string>(), kPlainValue))
            << tag << " " << declaration;
      }
    }

    // The fixed rules of a plain page, then only generated classes.
    std::size_t generated = 0;
    for (const Json& rule : page["rules"]) {
      ASSERT_FALSE(rule.contains("other")) << rule;
      const std::string selector = rule["selector"];
      if (!std::regex_match(selector, kGeneratedRule)) continue;
      ++generated;
      EXPECT_TRUE(rule["media"] == "" || rule["media"] == "(prefers-color-scheme: dark)") << rule;
      for (const Json& declaration : rule["style"]) {
        const std::string property = declaration[0], value = declaration[1];
        EXPECT_TRUE(kClassProperties.contains(property)) << selector << " " << property;
        EXPECT_TRUE(std::regex_match(value, property == "font-family" ? kFontFamily : kPlainValue))
            << selector << " " << property << ": " << value;
      }
    }
    EXPECT_EQ(fixedRules(page), fixedRules(plain));
    EXPECT_GT(generated, 0u);
  }

  // The media, selector and property names of each rule that is not a
  // generated class.
  static Json fixedRules(const Json& report) {
    Json fixed = Json::array();
    for (const Json& rule : report["rules"]) {
      if (std::regex_match(rule["selector"].get<std::string>(), kGeneratedRule)) continue;
      Json names = Json::array();
      for (const Json& declaration : rule["style"]) names.push_back(declaration[0]);
      fixed.push_back(Json{rule["media"], rule["selector"], names});
    }
    return fixed;
  }

  testing::ScratchFolder folder;
};

TEST_F(BrowserSafetyTest, HostileTextsStayTextAndThePageHoldsOnlyItsOwnMarkup) {
  // The fixed rules of an empty page, with the badge rules of the same
  // signature outcome and number of badge lines, one Chromium run each.
  std::map<std::tuple<SignatureStatus, std::size_t, bool>, Json> plainPages;
  const auto plainFor = [&](const UDFDocument& doc) -> const Json& {
    const std::size_t signers = doc.signature.signers.size();
    auto [known, added] =
        plainPages.try_emplace({doc.signature.status, signers, doc.verificationCode.empty()});
    if (added) {
      UDFDocument plain;
      plain.signature.isSigned = doc.signature.isSigned;
      plain.signature.status = doc.signature.status;
      plain.signature.signers.resize(signers);
      plain.verificationCode = doc.verificationCode.empty() ? "" : "x";
      known->second = report(UDFHTMLRenderer::renderHTML(plain, "belge.udf"));
    }
    return known->second;
  };
  const std::pair<const char*, UDFDocument> documents[] = {
      {"signed", hostileDocument(true)},
      {"verification code", hostileDocument(false)},
      {"through the reader", UDFParser::parse(hostileArchive()).value_or(UDFDocument())}};
  for (const auto& [name, doc] : documents) {
    SCOPED_TRACE(name);
    const Json& plain = plainFor(doc);
    ASSERT_TRUE(plain.is_object()) << "chromium gave no report";
    const Json page = report(UDFHTMLRenderer::renderHTML(doc, kHostile));
    expectOnlyOwnMarkup(page, plain);
    if (!page.is_object()) continue;
    for (const char* piece : {"</style>", "</script>", "-->"}) {
      EXPECT_NE(page["title"].get<std::string>().find(piece), std::string::npos) << piece;
      EXPECT_NE(page["text"].get<std::string>().find(piece), std::string::npos) << piece;
    }
  }
}

}  // namespace
}  // namespace maravel
