// How the bytes of content.xml become text. The encoding is found as an XML
// 1.0 parser finds it: a byte-order mark; else "<?xm" written in UTF-16 or
// UTF-32; else the `encoding` of the XML declaration. A document that names
// none, or a name not known here, keeps the editor's habits: UTF-8, else
// Windows-1254. The signature covers content.xml's bytes, not this text.
//
// Pure; every call is safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace maravel {

enum class ContentEncoding {
  undeclared,  // no mark, no declaration, or a name not known here
  utf8,
  utf16LE,
  utf16BE,
  utf32LE,
  utf32BE,
  iso88599,  // also "latin5", "ISO_8859-9"
  windows1254,
  latin1,  // "ISO-8859-1", "latin1"
};

class ContentDecoding {
 public:
  using Bytes = std::span<const std::uint8_t>;

  // The encoding the first bytes name, and the length of the byte-order
  // mark that opens them (0 without one). The declaration is looked for in
  // the first kDeclarationBytes bytes only.
  struct Found {
    ContentEncoding encoding = ContentEncoding::undeclared;
    std::size_t markLength = 0;
  };
  static Found find(Bytes bytes);
  static constexpr std::size_t kDeclarationBytes = 512;

  // content.xml as UTF-8 text, by the encoding found: UTF-16 and UTF-32
  // when valid there; ISO-8859-9 and ISO-8859-1 always; Windows-1254 unless
  // a byte is unassigned in it; UTF-8 (declared, marked or undeclared) when
  // valid, else Windows-1254 as above. Nothing otherwise.
  static std::optional<std::string> decode(Bytes bytes);

  // Whether decode gives the bytes back as they stand (valid UTF-8 taken as
  // UTF-8), so that a caller may read them where they lie.
  static bool readsAsItStands(Bytes bytes);

  // What a whole content.xml holds, learnt a piece at a time: enough to
  // decode its beginning exactly as decode decodes the whole.
  class Summary {
   public:
    // The next piece; `at` is its position (0 starts another document).
    void add(std::uint64_t at, Bytes piece);
    // The end of the document.
    void finish();

    bool validUTF8() const { return validUTF8_; }
    bool windows1254() const { return windows1254_; }
    // Valid in the UTF-16 or UTF-32 its first bytes name (true for others).
    bool validWide() const { return validWide_; }

   private:
    void addWide(Bytes piece);
    void judgeWide(Bytes piece);

    bool validUTF8_ = true;
    bool windows1254_ = true;
    bool validWide_ = true;
    std::string carry_;  // an incomplete UTF-8 sequence at the end of the last piece
    std::string head_;   // the first bytes, until they name the encoding
    std::optional<Found> found_;
    std::string wide_;  // UTF-16 or UTF-32 bytes not yet judged
  };

  // The beginning of a longer content.xml (cut at any byte) decoded as
  // decode decodes the whole one that `whole` summarises, without the
  // character the cut splits; nothing when decode gives nothing.
  static std::optional<std::string> decodeBeginning(Bytes beginning, const Summary& whole);
};

}  // namespace maravel
