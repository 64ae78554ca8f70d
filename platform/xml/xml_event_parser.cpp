#include "platform/xml/xml_event_parser.hpp"

// Debian's expat is built with DTD support; its amplification controls are
// declared only when this is set.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <unordered_set>
#include <utility>

#include "platform/text/byte_words.hpp"

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
// parseConsuming reads a document up to this size in one piece: expat
// counts lines and columns through every piece but the last, which costs
// about a tenth of the parse, and below this the memory pieces save is not
// worth that.
constexpr std::size_t kWholeBytes = std::size_t{16} << 20;
// parseConsuming hands a CDATA section at least this long to the handler
// itself, in pieces of kCDATAPieceBytes, when expat would hand it on
// unchanged: expat would copy it, split it at every line and, past
// kWholeBytes, count its lines and columns. A UDF file's whole text is one
// such section, two thirds of a text-heavy document.
constexpr std::size_t kLongCDATABytes = std::size_t{64} << 10;
constexpr std::size_t kCDATAPieceBytes = std::size_t{1} << 20;
constexpr std::string_view kCDATAOpen = "<![CDATA[";
constexpr std::string_view kCDATAClose = "]]>";

// --- Expat's memory ---------------------------------------------------------
// Expat reads a whole start tag and fills a table with one entry for each
// of its attributes (32 bytes on 64-bit systems) before any handler hears
// of the element, so a tag of 50 million attributes would cost 1.6 GB
// before the start-element handler could count them. The table is the one
// block made while the parser is created that grows afterwards: every block
// carries a header that says whether it was made then, and such a block is
// refused growth past kMaxAttributeTableBytes. Expat then stops for want
// of memory (before it reads the attributes themselves), which the parse
// reports as the bound; below that, the start-element handler counts them
// exactly. Nothing here looks at the document's text, so no literal,
// comment or declaration can hide a tag from the bound.

// Room for more than kMaxAttributesPerElement entries of up to 64 bytes.
constexpr std::size_t kMaxAttributeTableBytes = (kMaxAttributesPerElement + 64) * 64;

struct alignas(std::max_align_t) BlockHeader {
  bool madeAtCreation;
};

// Set on the creating thread while XML_ParserCreate_MM runs.
thread_local bool creatingParser = false;

BlockHeader* headerOf(void* block) {
  return reinterpret_cast<BlockHeader*>(static_cast<char*>(block) - sizeof(BlockHeader));
}

void* allocateBlock(std::size_t size) {
  void* raw = std::malloc(sizeof(BlockHeader) + size);
  if (raw == nullptr) return nullptr;
  new (raw) BlockHeader{creatingParser};
  return static_cast<char*>(raw) + sizeof(BlockHeader);
}

void* reallocateBlock(void* block, std::size_t size) {
  if (block == nullptr) return allocateBlock(size);
  if (headerOf(block)->madeAtCreation && size > kMaxAttributeTableBytes) return nullptr;
  void* raw = std::realloc(headerOf(block), sizeof(BlockHeader) + size);
  return raw == nullptr ? nullptr : static_cast<char*>(raw) + sizeof(BlockHeader);
}

void freeBlock(void* block) {
  if (block != nullptr) std::free(headerOf(block));
}

constexpr XML_Memory_Handling_Suite kBoundedMemory = {allocateBlock, reallocateBlock, freeBlock};

XML_Parser createParser() {
  creatingParser = true;
  XML_Parser parser = XML_ParserCreate_MM("UTF-8", &kBoundedMemory, nullptr);
  creatingParser = false;
  return parser;
}

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
  std::size_t events = 0;       // events delivered so far
  bool inCDATA = false;
  long long cdataStart = -1;  // where expat saw the latest CDATA section open, in what it was given
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
  ++session.events;
  std::size_t count = 0;
  for (const XML_Char** pair = attributes; pair[0] != nullptr; pair += 2) ++count;
  if (count > kMaxAttributesPerElement) return stop(session, ParseEnd::bounded);
  if (!namesWithinBound(session, name, attributes)) return stop(session, ParseEnd::bounded);
  session.attributes.clear();
  for (const XML_Char** pair = attributes; pair[0] != nullptr; pair += 2) {
    session.attributes.emplace_back(pair[0], pair[1]);
  }
  if (!session.handler.didStartElement(name, session.attributes)) stop(session, ParseEnd::stopped);
}

void onEndElement(void* userData, const XML_Char* name) {
  Session& session = sessionOf(userData);
  ++session.events;
  if (!session.handler.didEndElement(name)) stop(session, ParseEnd::stopped);
}

void onCharacters(void* userData, const XML_Char* text, int length) {
  Session& session = sessionOf(userData);
  ++session.events;
  if (!session.handler.foundCharacters(std::string_view(text, static_cast<std::size_t>(length))))
    stop(session, ParseEnd::stopped);
}

void onStartCDATA(void* userData) {
  Session& session = sessionOf(userData);
  session.inCDATA = true;
  session.cdataStart = XML_GetCurrentByteIndex(session.parser);
  session.handler.didStartCDATA();
}

void onEndCDATA(void* userData) {
  Session& session = sessionOf(userData);
  session.inCDATA = false;
  session.handler.didEndCDATA();
}

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
  ParserHandle parser(createParser());
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

// What a parse that returned `ok` came to. Expat runs out of memory only
// where its memory is bounded (a start tag with too many attributes).
ParseEnd outcome(const Session& session, bool ok) {
  if (session.end) return *session.end;
  if (!ok)
    return XML_GetErrorCode(session.parser) == XML_ERROR_NO_MEMORY ? ParseEnd::bounded : ParseEnd::malformed;
  return ParseEnd::complete;
}

// Whether expat hands the body of a CDATA section (valid UTF-8) on exactly as
// it stands: without carriage returns (which it turns into line feeds) and
// without the characters XML forbids (other control characters, U+FFFE and
// U+FFFF), which it rejects.
bool passesUnchanged(std::string_view body) {
  // Control characters, looked at only in the words that hold one.
  for (std::size_t at = 0; at < body.size(); at += 8) {
    if (body.size() - at >= 8 && !text::anyByteBelow(text::wordAt(body.data() + at), 0x20)) continue;
    for (const char c : body.substr(at, 8)) {
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') return false;
    }
  }
  // U+FFFE and U+FFFF, EF BF BE and EF BF BF.
  for (std::size_t at = body.find("\xEF\xBF"); at != std::string_view::npos;
       at = body.find("\xEF\xBF", at + 2)) {
    if (at + 2 < body.size() && (body[at + 2] == '\xBE' || body[at + 2] == '\xBF')) return false;
  }
  return true;
}

// The next CDATA section from `from` on that parseConsuming may hand over
// itself, closing before `length`: where it opens and where its body ends.
// Whether expat reads it as a section (not inside a comment, say) is checked
// when expat gets there.
std::optional<std::pair<std::size_t, std::size_t>> longSection(std::string_view utf8, std::size_t from,
                                                               std::size_t length) {
  constexpr std::size_t npos = std::string_view::npos;
  for (std::size_t open = utf8.find(kCDATAOpen, from); open != npos && open < length;) {
    const std::size_t body = open + kCDATAOpen.size();
    const std::size_t close = utf8.find(kCDATAClose, body);
    if (close == npos || close + kCDATAClose.size() > length) return std::nullopt;
    if (close - body >= kLongCDATABytes && passesUnchanged(utf8.substr(body, close - body)))
      return std::pair(open, close);
    open = utf8.find(kCDATAOpen, close + kCDATAClose.size());
  }
  return std::nullopt;
}

// Hands the whole pages of a buffer back to the system as its bytes are
// used up, front to back.
class PageRelease {
 public:
  explicit PageRelease(char* data) : start_(reinterpret_cast<std::uintptr_t>(data)), done_(alignUp(start_)) {}

  // The bytes before `offset` are used up.
  void upTo(std::size_t offset) {
    const std::uintptr_t end = (start_ + offset) / pageSize() * pageSize();
    if (end <= done_) return;
    madvise(reinterpret_cast<void*>(done_), end - done_, MADV_DONTNEED);
    done_ = end;
  }

 private:
  static std::uintptr_t pageSize() {
    static const auto size = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    return size;
  }
  static std::uintptr_t alignUp(std::uintptr_t at) { return (at + pageSize() - 1) / pageSize() * pageSize(); }

  std::uintptr_t start_;
  std::uintptr_t done_;  // pages before this one are handed back
};

}  // namespace

ParseEnd XMLEventParser::parse(std::string_view utf8, XMLEventHandler& handler) {
  Session session{nullptr, handler, {}, {}, {}, std::nullopt};
  const ParserHandle parser = makeParser(session);
  if (!parser) return ParseEnd::malformed;
  std::size_t fed = 0;
  for (;;) {
    const std::size_t end = std::min(utf8.size(), fed + std::clamp(fed, kFirstPieceBytes, kChunkBytes));
    const bool last = end == utf8.size();
    const bool ok = XML_Parse(parser.get(), utf8.data() + fed, static_cast<int>(end - fed),
                              last ? XML_TRUE : XML_FALSE) == XML_STATUS_OK;
    fed = end;
    if (!ok || session.end || last) return outcome(session, ok);
  }
}

ParseEnd XMLEventParser::parseConsuming(std::span<char> utf8, XMLEventHandler& handler) {
  const std::string_view all(utf8.data(), utf8.size());
  Session session{nullptr, handler, {}, {}, {}, std::nullopt};
  const ParserHandle parser = makeParser(session);
  if (!parser) return ParseEnd::malformed;
  const std::size_t length = all.size();
  PageRelease pages(utf8.data());
  std::size_t fed = 0;      // bytes read so far, by expat or handed over
  std::size_t skipped = 0;  // bytes handed over without expat
  std::size_t piece = length <= kWholeBytes ? length : kFirstPieceBytes;
  bool ok = true;
  // Expat reads on up to `target`; false once the parse has ended.
  const auto readTo = [&](std::size_t target) {
    do {
      const std::size_t end = fed + std::min(piece, target - fed);
      const XML_Bool final = end == length ? XML_TRUE : XML_FALSE;
      const std::size_t eventsBefore = session.events;
      if (end == fed) {
        ok = XML_Parse(parser.get(), all.data(), 0, final) == XML_STATUS_OK;
      } else {
        // What XML_Parse does with a piece, with the piece handed back in
        // between: expat has its own copy.
        const int size = static_cast<int>(end - fed);
        void* buffer = XML_GetBuffer(parser.get(), size);
        if (buffer == nullptr) {
          ok = false;
          return false;
        }
        std::memcpy(buffer, all.data() + fed, static_cast<std::size_t>(size));
        pages.upTo(end);
        ok = XML_ParseBuffer(parser.get(), size, final) == XML_STATUS_OK;
      }
      fed = end;
      if (!ok || session.end || end == length) return false;
      // A piece that brought no event lies inside one long token (a picture's
      // start tag), which expat scans again from its start with each piece:
      // pieces then grow, so that the scans add up to about twice the token.
      if (length > kWholeBytes)
        piece = session.events == eventsBefore ? std::min(2 * piece, kChunkBytes) : kFirstPieceBytes;
    } while (fed < target);
    return true;
  };
  for (std::size_t from = 0;;) {
    const auto section = longSection(all, from, length);
    if (!section) {
      readTo(length);
      return outcome(session, ok);
    }
    const auto [open, close] = *section;
    from = close + kCDATAClose.size();
    if (!readTo(open + kCDATAOpen.size())) return outcome(session, ok);
    // Expat opened a section right there and waits for its body.
    if (!session.inCDATA || session.cdataStart < 0 ||
        static_cast<std::size_t>(session.cdataStart) + skipped != open)
      continue;
    for (std::size_t at = fed; at < close;) {
      const std::size_t end = std::min(close, at + kCDATAPieceBytes);
      ++session.events;
      if (!handler.foundCharacters(all.substr(at, end - at))) {
        stop(session, ParseEnd::stopped);
        return outcome(session, ok);
      }
      pages.upTo(end);
      at = end;
    }
    skipped += close - fed;
    fed = close;
  }
}

}  // namespace maravel::xml
