// The thumbnail's zip path: a whole archive read by position, as tivenna
// reads a file, for the beginning of its text. Whatever the bytes, the
// thumbnail has text exactly when the reader has a document, and (outside
// forms, whose text is filled in) its text begins the reader's.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_target.hpp"
#include "platform/text/text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace maravel;
  const std::span<const std::uint8_t> archive(data, size);
  // Read by position, a piece at a time, never where it lies in memory.
  const FastZipExtractor::ArchiveReader file{
      size, [archive](std::uint64_t offset, std::span<std::uint8_t> into) {
        std::copy_n(archive.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
        return true;
      }};
  const std::optional<std::string> head = UDFParser::rawText(file, 32 * 1024);
  const std::optional<UDFDocument> doc = UDFParser::parse(archive, UDFParser::Signature::skipped);
  if (head.has_value() != doc.has_value()) fuzz::fail("the thumbnail and the reader disagree on a document");
  if (!doc || !text::isValidUTF8(*head)) {
    if (doc) fuzz::fail("the thumbnail's text is not UTF-8", *head);
    return 0;
  }
  // A form larger than the thumbnail reads whole shows its text block as written.
  const ZipEntries entries = FastZipExtractor::extractEntries(archive, {"content.xml"});
  const std::vector<std::uint8_t>& content = entries.at("content.xml");
  const bool form =
      std::string_view(reinterpret_cast<const char*>(content.data()), content.size()).find("<data") !=
      std::string_view::npos;
  if (!form && !doc->rawText.starts_with(*head))
    fuzz::fail("the thumbnail's text is not the reader's", *head);
  return 0;
}
