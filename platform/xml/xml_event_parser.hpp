// A non-validating, event-driven XML parser (expat underneath).
//
// The document is always read as UTF-8, whatever its declaration names: the
// caller decodes the bytes first. Namespace processing is off (names arrive
// with their prefixes), external entities and the external DTD subset are
// never loaded, comments and processing instructions are dropped.
//
// Declarations: a document whose DTD declares any entity or any attribute
// list is rejected when the declaration is reached (the content.xml of a UDF
// file never declares one). Entities could expand a few bytes into
// gigabytes, and an attribute list's defaults would be added to every
// element of its type. Expat's amplification guard is set as a second line
// (kMaxEntityAmplification, kAmplificationThresholdBytes).
//
// Expat's own costs are bounded too, so that no handler can be made to wait
// for it: the document ends before a start tag with more than
// kMaxAttributesPerElement attributes, counted where expat counts them
// (expat's table of a tag's attributes may not grow past room for about
// that many, so it stops before it holds millions), and before the element
// that brings the (kMaxNames + 1)th distinct element or attribute name
// (expat keeps every name for the whole parse, and a document of distinct
// names costs it time that grows faster than the names). Real documents use
// about fifty names and at most forty attributes on an element.
//
// Events arrive synchronously, in document order, on the calling thread.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace maravel::xml {

// Names and values point into the parser's own memory and are valid only
// during the call that receives them.
using Attributes = std::vector<std::pair<std::string_view, std::string_view>>;

inline constexpr float kMaxEntityAmplification = 100.0f;
inline constexpr unsigned long long kAmplificationThresholdBytes = 1024 * 1024;
inline constexpr std::size_t kMaxAttributesPerElement = 1000;
inline constexpr std::size_t kMaxNames = 4096;

class XMLEventHandler {
 public:
  virtual ~XMLEventHandler() = default;

  // Returning false from any of these stops the parse (ParseEnd::stopped).
  virtual bool didStartElement(std::string_view name, const Attributes& attributes) = 0;
  virtual bool didEndElement(std::string_view name) = 0;
  // Character data, possibly in several pieces; inside a CDATA section it
  // comes between didStartCDATA and didEndCDATA. False stops the parse.
  virtual bool foundCharacters(std::string_view text) = 0;
  virtual void didStartCDATA() = 0;
  virtual void didEndCDATA() = 0;
};

// How a parse ended. Events delivered before the end stay delivered, and in
// every case but `malformed` everything before the end was well-formed.
enum class ParseEnd {
  complete,   // the whole document was read
  stopped,    // a handler returned false
  bounded,    // the document ended at one of the bounds above
  malformed,  // an XML error or a rejected declaration
};

class XMLEventParser {
 public:
  static ParseEnd parse(std::string_view utf8, XMLEventHandler& handler);

  // The same for a document the caller gives up, which must be valid UTF-8
  // (a long CDATA section may reach the handler without expat's look at its
  // bytes): as the parse goes on, the pages of `utf8` already read are
  // handed back to the system (they read as zeros from then on), so that a
  // large document is never held whole beside what the handler builds from
  // it. The caller must not read the bytes again, only free them.
  static ParseEnd parseConsuming(std::span<char> utf8, XMLEventHandler& handler);
};

}  // namespace maravel::xml
