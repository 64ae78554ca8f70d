// What every harness checks for one input: the reader either gives no
// document or one that keeps the model's promises (and the same text block
// as the thumbnail's pass), and the page writer turns that document into a
// page whose markup is all its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "html/html_renderer.hpp"
#include "reader/udf_parser.hpp"
#include "tests/support/model_invariants.hpp"

namespace maravel::fuzz {

[[noreturn]] inline void fail(const char* what, std::string_view context = {}) {
  std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(context.size()), context.data());
  std::abort();
}

inline bool isTagName(std::string_view name) {
  static constexpr std::string_view kNames[] = {"html", "head",   "meta",  "title", "style", "body", "div",
                                                "span", "strong", "svg",   "path",  "rect",  "line", "p",
                                                "br",   "img",    "table", "tr",    "td"};
  for (std::string_view known : kNames) {
    if (name == known) return true;
  }
  return false;
}

inline bool isNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// The length of the tag at the start of `page` when it is one the writer
// writes: a known name, attributes as name="value" with no quote or angle
// bracket in the value. 0 otherwise.
inline std::size_t tagLength(std::string_view page) {
  std::size_t i = 1;
  if (i < page.size() && page[i] == '/') ++i;
  const std::size_t nameStart = i;
  while (i < page.size() && isNameCharacter(page[i])) ++i;
  if (!isTagName(page.substr(nameStart, i - nameStart))) return 0;
  while (i < page.size() && page[i] == ' ') {
    ++i;
    while (i < page.size() && isNameCharacter(page[i])) ++i;
    if (page.substr(i, 2) != "=\"") return 0;
    i += 2;
    while (i < page.size() && page[i] != '"') {
      if (page[i] == '<' || page[i] == '>') return 0;
      ++i;
    }
    ++i;
  }
  if (i < page.size() && page[i] == '/') ++i;
  return i < page.size() && page[i] == '>' ? i + 1 : 0;
}

// Every "<" of the page opens a tag the writer writes, the stylesheet is one
// element, and the page is complete.
inline void checkPage(std::string_view page) {
  constexpr std::string_view kDoctype = "<!DOCTYPE html>\n";
  if (!page.starts_with(kDoctype)) fail("page does not start with the doctype");
  if (!page.ends_with("</html>\n")) fail("page does not end with </html>");
  std::size_t styles = 0;
  for (std::size_t at = page.find('<', kDoctype.size()); at != std::string_view::npos;
       at = page.find('<', at + 1)) {
    const std::size_t length = tagLength(page.substr(at));
    if (length == 0) fail("markup the writer did not write", page.substr(at, 80));
    if (page.substr(at, 7) == "<style>") ++styles;
  }
  if (styles != 1) fail("more than one style element");
}

inline void parseAndRender(std::span<const std::uint8_t> archive) {
  const std::optional<UDFDocument> doc = UDFParser::parse(archive);
  // The thumbnail's one pass must read the text block the whole parse reads.
  const std::optional<std::string> rawText = UDFParser::rawText(archive);
  if (rawText.has_value() != doc.has_value() || (doc && *rawText != doc->rawText))
    fail("the text block alone differs from the parse's", rawText.value_or("(none)"));
  if (!doc) return;
  for (const std::string& violation : testing::modelViolations(*doc)) fail("model violation", violation);
  checkPage(UDFHTMLRenderer::renderHTML(*doc, "fuzz.udf", UDFHTMLRenderer::pageBudget(archive.size())));
}

}  // namespace maravel::fuzz
