// The program's one random generator: a 32-bit linear congruential generator.
#pragma once

#include <cstdint>

namespace kelmar {

class Random {
 public:
  void Seed(uint32_t seed) { state_ = seed * 65537u; }
  // A draw in range R: floor(state * R / 2^32) of the new state.
  uint32_t Draw(uint32_t range) {
    state_ = state_ * 134775813u + 1u;
    return static_cast<uint32_t>((static_cast<uint64_t>(state_) * range) >> 32);
  }
  uint32_t State() const { return state_; }

 private:
  uint32_t state_ = 65537u;
};

}  // namespace kelmar
