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

namespace maravel::xml {

namespace {

// Largest piece handed to expat at once (its length argument is an int).
// The document goes in whole: expat scans an unfinished token again from its
// start with every new piece, so smaller pieces would make one long start
// tag (a picture's base64 text) cost quadratic time.
constexpr std::size_t kChunkBytes = std::size_t{1} << 30;

struct ParserDeleter {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserHandle = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserDeleter>;

struct Session {
  XML_Parser parser;
  XMLEventHandler& handler;
  Attributes attributes;  // reused between elements
};

Session& sessionOf(void* userData) { return *static_cast<Session*>(userData); }

void onStartElement(void* userData, const XML_Char* name, const XML_Char** attributes) {
  Session& session = sessionOf(userData);
  session.attributes.clear();
  for (const XML_Char** pair = attributes; pair[0] != nullptr; pair += 2) {
    session.attributes.emplace_back(pair[0], pair[1]);
  }
  if (!session.handler.didStartElement(name, session.attributes)) XML_StopParser(session.parser, XML_FALSE);
}

void onEndElement(void* userData, const XML_Char* name) { sessionOf(userData).handler.didEndElement(name); }

void onCharacters(void* userData, const XML_Char* text, int length) {
  sessionOf(userData).handler.foundCharacters(std::string_view(text, static_cast<std::size_t>(length)));
}

void onStartCDATA(void* userData) { sessionOf(userData).handler.didStartCDATA(); }

void onEndCDATA(void* userData) { sessionOf(userData).handler.didEndCDATA(); }

// Any entity declaration ends the parse: entity expansion is the one way a
// small document can make the parser do unbounded work.
void onEntityDeclaration(void* userData, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                         const XML_Char*, const XML_Char*, const XML_Char*) {
  XML_StopParser(sessionOf(userData).parser, XML_FALSE);
}

ParserHandle makeParser() {
  ParserHandle parser(XML_ParserCreate("UTF-8"));
  if (!parser) return parser;
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser.get(), kMaxEntityAmplification);
  XML_SetBillionLaughsAttackProtectionActivationThreshold(parser.get(), kAmplificationThresholdBytes);
  XML_SetElementHandler(parser.get(), onStartElement, onEndElement);
  XML_SetCharacterDataHandler(parser.get(), onCharacters);
  XML_SetCdataSectionHandler(parser.get(), onStartCDATA, onEndCDATA);
  XML_SetEntityDeclHandler(parser.get(), onEntityDeclaration);
  return parser;
}

// Hands the whole document over in pieces; false at the first error.
bool parseAll(XML_Parser parser, std::string_view utf8) {
  std::size_t offset = 0;
  do {
    const std::size_t length = std::min(utf8.size() - offset, kChunkBytes);
    const bool last = offset + length == utf8.size();
    if (XML_Parse(parser, utf8.data() + offset, static_cast<int>(length), last ? XML_TRUE : XML_FALSE) !=
        XML_STATUS_OK) {
      return false;
    }
    offset += length;
  } while (offset < utf8.size());
  return true;
}

}  // namespace

bool XMLEventParser::parse(std::string_view utf8, XMLEventHandler& handler) {
  const ParserHandle parser = makeParser();
  if (!parser) return false;
  Session session{parser.get(), handler, {}};
  XML_SetUserData(parser.get(), &session);
  return parseAll(parser.get(), utf8);
}

bool XMLEventParser::parseOwned(std::string utf8, XMLEventHandler& handler) {
  if (utf8.empty() || utf8.size() > kChunkBytes) return parse(utf8, handler);
  const ParserHandle parser = makeParser();
  if (!parser) return false;
  Session session{parser.get(), handler, {}};
  XML_SetUserData(parser.get(), &session);
  // What XML_Parse does with a final piece, with the caller's copy dropped
  // in between.
  const int length = static_cast<int>(utf8.size());
  void* buffer = XML_GetBuffer(parser.get(), length);
  if (buffer == nullptr) return false;
  std::memcpy(buffer, utf8.data(), utf8.size());
  std::string().swap(utf8);
  return XML_ParseBuffer(parser.get(), length, XML_TRUE) == XML_STATUS_OK;
}

}  // namespace maravel::xml
