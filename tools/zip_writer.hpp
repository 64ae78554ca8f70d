// A small in-memory zip writer for tests, samples and benchmarks.
//
// By default it writes archives the way the official editor's Java zip writer
// does: general-purpose flag 0x0808 (UTF-8 names, data descriptor), zero CRC
// and sizes in the local headers, the real values only in the data descriptor
// and the central directory. Every field a test may want to falsify is a
// plain member of Entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maravel::testing {

class ZipWriter {
 public:
  enum class Style { javaEditor, plain };

  struct Entry {
    std::string name;                // raw name bytes
    std::vector<std::uint8_t> data;  // uncompressed
    std::uint16_t method = 8;        // 0 stored, 8 deflate; others are written stored
    bool precompressed = false;      // method 8 and `data` is already the raw deflate stream
    // Overrides of what the central directory declares.
    std::optional<std::uint32_t> declaredUncompressedSize;
    std::optional<std::uint32_t> declaredCompressedSize;
    std::optional<std::uint32_t> declaredLocalHeaderOffset;
    std::string extra;    // central directory extra field bytes
    std::string comment;  // central directory file comment
  };

  explicit ZipWriter(Style style = Style::javaEditor) : style_(style) {}

  // Adds an entry deflated (method 8) or stored (method 0).
  ZipWriter& add(std::string name, std::string_view data, std::uint16_t method = 8);
  ZipWriter& add(Entry entry);

  // The archive, with an optional archive comment after the end record.
  std::vector<std::uint8_t> finish(std::string_view comment = {}) const;

  // Raw deflate (no zlib header), as stored in a method 8 entry.
  static std::vector<std::uint8_t> deflateRaw(const std::vector<std::uint8_t>& data);

 private:
  Style style_;
  std::vector<Entry> entries_;
};

// The bytes of a string, for building inputs inline.
std::vector<std::uint8_t> bytes(std::string_view s);

// A .udf archive: content.xml plus, when given, documentproperties.xml and
// sign.sgn, shaped like the editor's archives.
std::vector<std::uint8_t> makeUdf(std::string_view contentXml,
                                  std::optional<std::string_view> documentProperties = std::nullopt,
                                  std::optional<std::string_view> signature = std::nullopt);

}  // namespace maravel::testing
