// Whole archives: exercises the zip walk and inflation as well as the parser.
#include "fuzz/fuzz_target.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  maravel::fuzz::parseAndRender({data, size});
  return 0;
}
