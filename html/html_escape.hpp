// Escaping of document text for the two places it reaches the page: HTML
// text and attribute values, and CSS strings inside the page's stylesheet.
//
// Both functions are pure and safe on any thread; they never fail.
#pragma once

#include <string>
#include <string_view>

namespace maravel {

// "&", "<", ">", the double quote and the apostrophe become "&amp;", "&lt;",
// "&gt;", "&quot;" and "&#39;". The ampersand is replaced first, so an entity
// already in the text is escaped once more ("&lt;" becomes "&amp;lt;").
std::string escapeHTML(std::string_view text);

// The content of a double-quoted CSS string: `"` and `\` are
// backslash-escaped; "<", ">", "{", "}", ";", control characters (C0, DEL,
// C1, line and paragraph separators) are written as hex escapes ("\3c "),
// and bytes that are not valid UTF-8 as "\fffd ". Everything else, including
// spaces and letters outside ASCII, is copied unchanged, so an ordinary
// family name such as "Times New Roman" comes back as it is. The result can
// neither close the string, the rule nor the style element around it.
std::string escapeCSSString(std::string_view text);

}  // namespace maravel
