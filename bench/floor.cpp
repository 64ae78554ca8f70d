#include "bench/floor.hpp"

#include <expat.h>
#include <zlib.h>

#include <string_view>

namespace maravel::bench {

namespace {

std::uint32_t read16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t read32(std::span<const std::uint8_t> b, std::size_t at) {
  return read16(b, at) | (read16(b, at + 2) << 16);
}

void onStart(void* count, const XML_Char*, const XML_Char**) { ++*static_cast<std::size_t*>(count); }
void onEnd(void*, const XML_Char*) {}
void onCharacters(void*, const XML_Char*, int) {}

}  // namespace

std::vector<std::uint8_t> floorInflate(std::span<const std::uint8_t> archive) {
  if (archive.size() < 22) return {};
  std::size_t end = archive.size() - 22;
  while (end > 0 && read32(archive, end) != 0x06054B50) --end;
  std::size_t p = read32(archive, end + 16);
  while (p + 46 <= archive.size() && read32(archive, p) == 0x02014B50) {
    const std::size_t nameLength = read16(archive, p + 28);
    const std::string_view name(reinterpret_cast<const char*>(archive.data() + p + 46), nameLength);
    if (name == "content.xml") {
      const std::size_t local = read32(archive, p + 42);
      const std::size_t start = local + 30 + read16(archive, local + 26) + read16(archive, local + 28);
      std::vector<std::uint8_t> out(read32(archive, p + 24));
      z_stream stream{};
      inflateInit2(&stream, -15);
      stream.next_in = const_cast<Bytef*>(archive.data() + start);
      stream.avail_in = read32(archive, p + 20);
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      inflate(&stream, Z_FINISH);
      out.resize(stream.total_out);
      inflateEnd(&stream);
      return out;
    }
    p += 46 + nameLength + read16(archive, p + 30) + read16(archive, p + 32);
  }
  return {};
}

std::size_t floorPass(std::span<const std::uint8_t> archive) {
  const std::vector<std::uint8_t> content = floorInflate(archive);
  std::size_t elements = 0;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &elements);
  XML_SetElementHandler(parser, onStart, onEnd);
  XML_SetCharacterDataHandler(parser, onCharacters);
  XML_Parse(parser, reinterpret_cast<const char*>(content.data()), static_cast<int>(content.size()),
            XML_TRUE);
  XML_ParserFree(parser);
  return elements;
}

}  // namespace maravel::bench
