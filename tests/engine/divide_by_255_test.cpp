// The renderer's multiply-shift division by 255, checked over its whole input range.
#include "engine/divide_by_255.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kelmar {
namespace {

TEST(DivideBy255, FloorIsExactForEveryDividendUpToTheLimit) {
  uint32_t wrong = 0;
  for (uint32_t x = 0; x <= kDivide255Limit; ++x) wrong += Floor255(x) != x / 255;
  EXPECT_EQ(wrong, 0u);
}

TEST(DivideBy255, MulDivTruncatesTowardZeroForEveryFilterAndVolumeOperand) {
  // Filter: (sample - state) * k with |sample - state| <= 65535; volume: state * level with
  // |state| <= 32768. Both are covered by every x in -65535..65535 and factor 0..255.
  // The filter pass's vector step reads x's bits as unsigned and corrects by 1 - 2 * scaled
  // where x < 0; its coefficient is never 0.
  for (uint32_t factor = 0; factor <= 255; ++factor) {
    const uint32_t scaled = Scaled255(factor);
    uint32_t wrong = 0;
    uint32_t wrongUnsigned = 0;
    for (int32_t x = -65535; x <= 65535; ++x) {
      const int32_t quotient = x * static_cast<int32_t>(factor) / 255;
      wrong += MulDiv255(x, scaled) != quotient;
      const auto product = static_cast<uint32_t>((uint64_t{static_cast<uint32_t>(x)} * scaled) >> kReciprocal255Shift);
      wrongUnsigned += factor > 0 && product + (x < 0 ? 1 - 2 * scaled : 0) != static_cast<uint32_t>(quotient);
    }
    EXPECT_EQ(wrong, 0u) << "factor " << factor;
    EXPECT_EQ(wrongUnsigned, 0u) << "factor " << factor;
  }
}

TEST(DivideBy255, TheBoundInTheProofHolds) {
  // Exact while x * 127 < 2^31; the largest dividend stays below that.
  EXPECT_LT(static_cast<uint64_t>(kDivide255Limit) * 127, uint64_t{1} << kReciprocal255Shift);
  EXPECT_EQ(uint64_t{255} * kReciprocal255, (uint64_t{1} << kReciprocal255Shift) + 127);
  // The scaled factor of the largest coefficient still fits the 32-bit multiplier operand.
  EXPECT_LE(uint64_t{255} * kReciprocal255, uint64_t{0xFFFFFFFF});
}

}  // namespace
}  // namespace kelmar
