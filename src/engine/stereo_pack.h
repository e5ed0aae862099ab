// One voice's or one frame's stereo output as one integer, left * 65536 + right: the voices
// add their packed contributions, and because every left and right sum stays within 16 bits
// the packed sum of eight stays within int32 and separates again exactly.
#pragma once

#include <cstdint>

namespace kelmar {

inline int32_t Pack(int left, int right) { return left * 65536 + right; }
inline int16_t RightOf(int32_t packed) { return static_cast<int16_t>(static_cast<uint16_t>(packed & 0xFFFF)); }
inline int16_t LeftOf(int32_t packed) { return static_cast<int16_t>((packed - RightOf(packed)) >> 16); }

}  // namespace kelmar
