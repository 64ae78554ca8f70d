// The one writer of the copy's XML parts: elements, attributes and text,
// with every text and attribute value escaped on the way in.
//
// Element and attribute names are the writer's own literals, never document
// text; values and text may be anything: markup characters become
// references, bytes that are not UTF-8 become U+FFFD, and characters XML
// cannot carry (control characters other than tab, line feed and carriage
// return, U+FFFE, U+FFFF) are left out. One writer per part, one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace maravel {

class XmlWriter {
 public:
  // Starts the part with the XML declaration.
  XmlWriter();

  // Opens an element; attributes may follow until text or a child comes.
  XmlWriter& open(std::string_view name);
  XmlWriter& attribute(std::string_view name, std::string_view value);
  XmlWriter& attribute(std::string_view name, std::int64_t value);
  // Character data inside the innermost open element.
  XmlWriter& text(std::string_view value);
  // Closes the innermost open element ("/>" when nothing came inside).
  XmlWriter& close();
  // An element without content: open, the attributes, close.
  XmlWriter& empty(std::string_view name);
  XmlWriter& empty(std::string_view name, std::string_view attribute, std::string_view value);
  XmlWriter& empty(std::string_view name, std::string_view attribute, std::int64_t value);

  // The part with every element closed; the writer is then empty.
  std::string finish();

  // `value` escaped as attribute value or character data, appended to `out`.
  static void escape(std::string_view value, std::string& out);

 private:
  void endStartTag();

  std::string out_;
  std::vector<std::string_view> open_;
  bool startTagOpen_ = false;
};

}  // namespace maravel
