// The packer's byte comparison, 8 bytes at a time.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace kelmar::packed {

// Number of equal bytes at a and b, at most limit.
[[gnu::always_inline]] inline uint32_t MatchLength(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  uint32_t n = 0;
  while (n + 8 <= limit) {
    uint64_t x = 0;
    uint64_t y = 0;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        return n + static_cast<uint32_t>(std::countr_zero(x ^ y)) / 8;
      } else {
        return n + static_cast<uint32_t>(std::countl_zero(x ^ y)) / 8;
      }
    }
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace kelmar::packed
