// maravel_floor FILE: the floor as a whole process, to set beside pelsora
// and tivenna. Reads FILE and makes the floor pass over it; prints nothing.
#include <cstdio>
#include <vector>

#include "bench/floor.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: maravel_floor FILE\n", stderr);
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "rb");
  if (file == nullptr) return 1;
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(file);
  return maravel::bench::floorPass(bytes) > 0 ? 0 : 1;
}
