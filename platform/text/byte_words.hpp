// Text scanned eight bytes at a time: a scanner that stops at a few kinds of
// byte tests a whole word for them and steps over it when none is there.
// Nothing here reads outside the bytes it is given.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace maravel::text {

inline constexpr std::uint64_t kEachByte = 0x0101010101010101u;

// The eight bytes at `p` as one word (the first in the lowest byte on this
// little-endian machine).
inline std::uint64_t wordAt(const char* p) {
  std::uint64_t word = 0;
  std::memcpy(&word, p, 8);
  return word;
}

// Whether one of the word's bytes lies below `n` (at most 0x80).
constexpr bool anyByteBelow(std::uint64_t word, std::uint8_t n) {
  return ((word - n * kEachByte) & ~word & 0x80 * kEachByte) != 0;
}

// Whether one of the word's bytes is `c`.
constexpr bool anyByteIs(std::uint64_t word, char c) {
  return anyByteBelow(word ^ (static_cast<std::uint8_t>(c) * kEachByte), 1);
}

// How many bytes at the start of `bytes` are ASCII.
inline std::size_t asciiPrefix(std::string_view bytes) {
  constexpr std::uint64_t kHighBits = 0x80 * kEachByte;
  std::size_t at = 0;
  for (; bytes.size() - at >= 8; at += 8) {
    const std::uint64_t high = wordAt(bytes.data() + at) & kHighBits;
    if (high == 0) continue;
    if constexpr (std::endian::native == std::endian::little)
      return at + static_cast<std::size_t>(std::countr_zero(high)) / 8;
    break;
  }
  while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) < 0x80) ++at;
  return at;
}

}  // namespace maravel::text
