// Inputs for the benchmarks.
//
// editorDocument() makes a court decision of any number of pages in the shape
// the official editor writes: Java zip layout, the whole text in one CDATA
// block, mixed-case attributes, `edf_` styles chaining to "hvl-default",
// TabSets of about 180 stops on most paragraphs, many short `field`, `space`
// and `content` runs, numbered lists, a bordered table on every page, a
// picture, a header from page 2 and a footer, a signature table at the end,
// sign.sgn and documentproperties.xml. A page holds 20 blocks and about 300
// runs (some 125 KB of content.xml); 8 pages come to the size of a real 1 MB
// court record. The same page count always gives the same bytes.
//
// The other generators make the hostile shapes whose cost the reader's bounds
// keep in check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace maravel::bench {

struct EditorDocument {
  std::string contentXml;
  std::string documentProperties;
  std::string signature;  // the bytes of sign.sgn

  // The .udf archive, entries in the editor's order.
  std::vector<std::uint8_t> pack() const;
};

EditorDocument editorDocument(std::size_t pages);

// The court record: the editor-shaped decision of kRecordPages pages, about
// 1.1 MB of content.xml (verbose markup, sparse text).
inline constexpr std::size_t kRecordPages = 8;

// A text-heavy document of `pages` pages: per page 30 justified paragraphs
// of about 90 words in two runs with short TabSets, every fifth numbered,
// and a 3 x 3 table whose amounts stand on decimal stops. Far more text per
// byte of markup than the editor's shape (about 42 KB of content.xml a
// page), so the floor is small beside the work on the text. Signed, with a
// verification code, like the decision.
EditorDocument denseDocument(std::size_t pages);

// A document whose `elements` carries a TabSet of about `tabSetBytes` bytes
// that every one of `paragraphs` paragraphs inherits.
std::string inheritedTabSetContent(std::size_t paragraphs, std::size_t tabSetBytes);

// `runs` run elements, each cutting the whole text block of `textUnits`
// characters.
std::string overlappingRunsContent(std::size_t runs, std::size_t textUnits);

std::vector<std::uint8_t> pack(const std::string& content);

}  // namespace maravel::bench
