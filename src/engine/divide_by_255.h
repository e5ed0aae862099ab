// Division by 255 as a multiply and a shift, for the renderer's per-sample filter and volume.
//
// floor(x / 255) = (x * R) >> 31 with R = ceil(2^31 / 255) = 0x808081. Since 255 * R = 2^31 + 127,
// x * R / 2^31 = x / 255 + x * 127 / (255 * 2^31); for x = 255q + r (r <= 254) that is below
// q + (254 + x * 127 / 2^31) / 255, hence below q + 1, while x * 127 < 2^31. The renderer's
// largest dividend, 65535 * 255, is inside that bound; tests check every x up to it.
//
// A factor f (0..255) folds into the reciprocal: x * f / 255 = (x * (f * R)) >> 31, and f * R
// fits in 32 bits, so a vector unit can do it with one 32 x 32 -> 64-bit multiply.
#pragma once

#include <cstdint>

namespace kelmar {

constexpr uint32_t kReciprocal255 = 0x808081;
constexpr int kReciprocal255Shift = 31;
constexpr uint32_t kDivide255Limit = 65535u * 255u;  // the largest dividend the renderer forms

// f * R for a factor f in 0..255.
constexpr uint32_t Scaled255(uint32_t factor) { return factor * kReciprocal255; }

// floor(x / 255) for x in 0..kDivide255Limit.
constexpr uint32_t Floor255(uint32_t x) {
  return static_cast<uint32_t>((static_cast<uint64_t>(x) * kReciprocal255) >> kReciprocal255Shift);
}

// x * f / 255 truncated toward zero, given scaled = Scaled255(f), for |x| * f <= kDivide255Limit.
constexpr int32_t MulDiv255(int32_t x, uint32_t scaled) {
  const uint32_t magnitude = static_cast<uint32_t>(x < 0 ? -x : x);
  const auto q = static_cast<int32_t>((static_cast<uint64_t>(magnitude) * scaled) >> kReciprocal255Shift);
  return x < 0 ? -q : q;
}

}  // namespace kelmar
