#include "platform/xml/xml_event_parser.hpp"

// Debian's expat is built with DTD support; its amplification controls are
// declared only when this is set.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_set>

namespace maravel::xml {

namespace {

// Pieces handed to expat: the first, and the largest (its length argument
// is an int). Each piece is as long as all before it: expat scans an
// unfinished token again from its start with every new piece, and growing
// pieces keep one long start tag (a picture's base64 text) from costing
// quadratic time, while a handler that stops early has had expat copy only
// about twice what it read.
constexpr std::size_t kFirstPieceBytes = std::size_t{1} << 20;
constexpr std::size_t kChunkBytes = std::size_t{1} << 30;

struct ParserDeleter {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserHandle = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserDeleter>;

struct Session {
  XML_Parser parser;
  XMLEventHandler& handler;
  Attributes attributes;  // reused between elements
  // Distinct names so far. Expat hands every attribute name over from its
  // own table of names, so one address stands for one name; element names
  // arrive in a buffer of the open tag and are compared as text.
  std::unordered_set<std::string> elementNames;
  std::unordered_set<const XML_Char*> attributeNames;
  std::optional<ParseEnd> end;  // why the parse was stopped from inside
};

Session& sessionOf(void* userData) { return *static_cast<Session*>(userData); }

void stop(Session& session, ParseEnd end) {
  session.end = end;
  XML_StopParser(session.parser, XML_FALSE);
}

// False once the element brings one distinct name too many.
bool namesWithinBound(Session& session, const XML_Char* name, const XML_Char** attributes) {
  const auto within = [&] {
    return session.elementNames.size() + session.attributeNames.size() <= kMaxNames;
  };
  if (!session.elementNames.contains(name)) session.elementNames.emplace(name);
  for (const XML_Char** pair = attributes; pair[0] != nullptr && within(); pair += 2) {
    session.attributeNames.insert(pair[0]);
  }
  return within();
}

void onStartElement(void* userData, const XML_Char* name, const XML_Char** attributes) {
  Session& session = sessionOf(userData);
  if (!namesWithinBound(session, name, attributes)) return stop(session, ParseEnd::bounded);
  session.attributes.clear();
  for (const XML_Char** pair = attributes; pair[0] != nullptr; pair += 2) {
    session.attributes.emplace_back(pair[0], pair[1]);
  }
  if (!session.handler.didStartElement(name, session.attributes)) stop(session, ParseEnd::stopped);
}

void onEndElement(void* userData, const XML_Char* name) {
  Session& session = sessionOf(userData);
  if (!session.handler.didEndElement(name)) stop(session, ParseEnd::stopped);
}

void onCharacters(void* userData, const XML_Char* text, int length) {
  Session& session = sessionOf(userData);
  if (!session.handler.foundCharacters(std::string_view(text, static_cast<std::size_t>(length))))
    stop(session, ParseEnd::stopped);
}

void onStartCDATA(void* userData) { sessionOf(userData).handler.didStartCDATA(); }

void onEndCDATA(void* userData) { sessionOf(userData).handler.didEndCDATA(); }

// Entity expansion is the one way a small document can make the parser do
// unbounded work, and attribute defaults the way to multiply every element.
void onEntityDeclaration(void* userData, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                         const XML_Char*, const XML_Char*, const XML_Char*) {
  stop(sessionOf(userData), ParseEnd::malformed);
}

void onAttributeListDeclaration(void* userData, const XML_Char*, const XML_Char*, const XML_Char*,
                                const XML_Char*, int) {
  stop(sessionOf(userData), ParseEnd::malformed);
}

ParserHandle makeParser(Session& session) {
  ParserHandle parser(XML_ParserCreate("UTF-8"));
  if (!parser) return parser;
  session.parser = parser.get();
  XML_SetUserData(parser.get(), &session);
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser.get(), kMaxEntityAmplification);
  XML_SetBillionLaughsAttackProtectionActivationThreshold(parser.get(), kAmplificationThresholdBytes);
  XML_SetElementHandler(parser.get(), onStartElement, onEndElement);
  XML_SetCharacterDataHandler(parser.get(), onCharacters);
  XML_SetCdataSectionHandler(parser.get(), onStartCDATA, onEndCDATA);
  XML_SetEntityDeclHandler(parser.get(), onEntityDeclaration);
  XML_SetAttlistDeclHandler(parser.get(), onAttributeListDeclaration);
  return parser;
}

// What a parse that returned `ok` came to: a document cut before a crowded
// tag (`whole` false) ends at that bound when nothing else ended it first.
ParseEnd outcome(const Session& session, bool ok, bool whole) {
  if (session.end) return *session.end;
  if (!ok) return ParseEnd::malformed;
  return whole ? ParseEnd::complete : ParseEnd::bounded;
}

// The end of the quoted value that opens at `quote`, or npos.
std::size_t valueEnd(std::string_view utf8, std::size_t quote) { return utf8.find(utf8[quote], quote + 1); }

// The index after `close`, searched from `from`, or npos.
std::size_t past(std::string_view utf8, std::size_t from, std::string_view close) {
  const std::size_t at = utf8.find(close, from);
  return at == std::string_view::npos ? at : at + close.size();
}

}  // namespace

std::size_t XMLEventParser::firstCrowdedStartTag(std::string_view utf8) {
  constexpr std::size_t npos = std::string_view::npos;
  for (std::size_t at = utf8.find('<'); at != npos; at = utf8.find('<', at)) {
    const std::string_view tag = utf8.substr(at);
    if (tag.starts_with("<!--")) {
      at = past(utf8, at + 4, "-->");
    } else if (tag.starts_with("<![CDATA[")) {
      at = past(utf8, at + 9, "]]>");
    } else if (tag.starts_with("<?")) {
      at = past(utf8, at + 2, "?>");
    } else if (tag.starts_with("<!") || tag.starts_with("</")) {
      at += 2;
    } else {
      std::size_t equalSigns = 0;
      std::size_t i = at + 1;
      for (; i < utf8.size() && utf8[i] != '>'; ++i) {
        const char c = utf8[i];
        if (c == '"' || c == '\'') {
          i = valueEnd(utf8, i);
          if (i == npos) return npos;
        } else if (c == '=' && ++equalSigns > kMaxAttributesPerElement) {
          return at;
        }
      }
      at = i;
    }
    if (at == npos) return npos;
  }
  return npos;
}

ParseEnd XMLEventParser::parse(std::string_view utf8, XMLEventHandler& handler) {
  Session session{nullptr, handler, {}, {}, {}, std::nullopt};
  const ParserHandle parser = makeParser(session);
  if (!parser) return ParseEnd::malformed;
  std::size_t fed = 0;
  for (;;) {
    const std::size_t end = std::min(utf8.size(), fed + std::clamp(fed, kFirstPieceBytes, kChunkBytes));
    // A crowded tag seen so far ends the document before it; the prefix is
    // searched again each time, which costs about twice the document.
    const std::size_t crowded = firstCrowdedStartTag(utf8.substr(0, end));
    const std::size_t stop = std::min(end, crowded);
    const bool whole = crowded == std::string_view::npos;
    const bool last = !whole || stop == utf8.size();
    const bool ok = XML_Parse(parser.get(), utf8.data() + fed, static_cast<int>(stop - fed),
                              whole && last ? XML_TRUE : XML_FALSE) == XML_STATUS_OK;
    fed = stop;
    if (!ok || session.end || last) return outcome(session, ok, whole);
  }
}

ParseEnd XMLEventParser::parseOwned(std::string utf8, XMLEventHandler& handler) {
  return parseReleasing(utf8, handler, [&utf8] { std::string().swap(utf8); });
}

ParseEnd XMLEventParser::parseReleasing(std::string_view utf8, XMLEventHandler& handler,
                                        const std::function<void()>& release) {
  if (utf8.empty() || utf8.size() > kChunkBytes) {
    const ParseEnd end = parse(utf8, handler);
    release();
    return end;
  }
  Session session{nullptr, handler, {}, {}, {}, std::nullopt};
  const ParserHandle parser = makeParser(session);
  if (!parser) {
    release();
    return ParseEnd::malformed;
  }
  const std::size_t crowded = firstCrowdedStartTag(utf8);
  const bool whole = crowded == std::string_view::npos;
  // What XML_Parse does with a piece, with the caller's copy dropped in
  // between.
  const int length = static_cast<int>(std::min(utf8.size(), crowded));
  if (length == 0) {
    release();
    return outcome(session, true, whole);
  }
  void* buffer = XML_GetBuffer(parser.get(), length);
  if (buffer == nullptr) {
    release();
    return ParseEnd::malformed;
  }
  std::memcpy(buffer, utf8.data(), static_cast<std::size_t>(length));
  release();
  const bool ok = XML_ParseBuffer(parser.get(), length, whole ? XML_TRUE : XML_FALSE) == XML_STATUS_OK;
  return outcome(session, ok, whole);
}

}  // namespace maravel::xml
