// A non-validating, event-driven XML parser (expat underneath).
//
// The document is always read as UTF-8, whatever its declaration names: the
// caller decodes the bytes first. Namespace processing is off (names arrive
// with their prefixes), external entities and the external DTD subset are
// never loaded, comments and processing instructions are dropped.
//
// Entity bombs: a document whose DTD declares any entity is rejected when the
// declaration is reached (the content.xml of a UDF file never declares one),
// and expat's amplification guard is set as a second line
// (kMaxEntityAmplification, kAmplificationThresholdBytes).
//
// Events arrive synchronously, in document order, on the calling thread.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace maravel::xml {

// Names and values point into the parser's own memory and are valid only
// during the call that receives them.
using Attributes = std::vector<std::pair<std::string_view, std::string_view>>;

inline constexpr float kMaxEntityAmplification = 100.0f;
inline constexpr unsigned long long kAmplificationThresholdBytes = 1024 * 1024;

class XMLEventHandler {
 public:
  virtual ~XMLEventHandler() = default;

  // Returning false stops the parse, which then reports failure.
  virtual bool didStartElement(std::string_view name, const Attributes& attributes) = 0;
  virtual void didEndElement(std::string_view name) = 0;
  // Character data, possibly in several pieces; inside a CDATA section it
  // comes between didStartCDATA and didEndCDATA.
  virtual void foundCharacters(std::string_view text) = 0;
  virtual void didStartCDATA() = 0;
  virtual void didEndCDATA() = 0;
};

class XMLEventParser {
 public:
  // True when the whole document was well-formed and no handler stopped it.
  // Events delivered before an error stay delivered.
  static bool parse(std::string_view utf8, XMLEventHandler& handler);

  // The same for a document handed over: its text is released as soon as
  // the parser has its own copy, before the first event, so that a large
  // document is not held twice while the caller builds on the events.
  static bool parseOwned(std::string utf8, XMLEventHandler& handler);
};

}  // namespace maravel::xml
