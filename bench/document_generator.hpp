// Large inputs for the benchmarks, generated in the editor's shape: one
// text block, paragraphs with long generated tab stop lists, runs as
// content elements pointing into the block, a bordered table every so often.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace maravel::bench {

// A decision of `paragraphs` paragraphs (about 40 per page).
std::string editorContent(std::size_t paragraphs);

// A document whose `elements` carries a TabSet of about `tabSetBytes` bytes
// that every one of `paragraphs` paragraphs inherits.
std::string inheritedTabSetContent(std::size_t paragraphs, std::size_t tabSetBytes);

// `runs` run elements, each cutting the whole text block of `textUnits`
// characters.
std::string overlappingRunsContent(std::size_t runs, std::size_t textUnits);

std::vector<std::uint8_t> pack(const std::string& content);

}  // namespace maravel::bench
