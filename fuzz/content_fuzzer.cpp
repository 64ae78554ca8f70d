// content.xml alone, packed into a well-formed archive, so that mutations
// reach the XML tree, the element builder and the writer instead of dying
// in the zip walk.
#include "fuzz/fuzz_target.hpp"
#include "tools/zip_writer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  maravel::fuzz::parseAndRender(maravel::testing::makeUdf(content));
  return 0;
}
