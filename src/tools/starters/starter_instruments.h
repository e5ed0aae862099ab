// The starter instruments: readable builders over the 48-byte instrument record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/song.h"

namespace kelmar::starters {

// Oscillator waveform byte: shape 0 sine, 1 cosine, 2 saw, 3 square; amplitude shape
// 0 constant, 1 rising, 2 falling, 3 triangle; multiplier 1..16 (2 = one period per cycle).
constexpr uint8_t Wave(int shape, int multiplier, int ampShape = 0) {
  return static_cast<uint8_t>(((multiplier - 1) << 4) | (ampShape << 2) | shape);
}
enum Shape { kSine = 0, kCosine = 1, kSaw = 2, kSquare = 3 };

struct StarterInstrument {
  std::string file;    // file name without folder, e.g. "bass-saw.kli"
  std::string folder;  // its folder under instruments/, e.g. "bass"
  Instrument ins;
  uint8_t synthMode;  // 0 new, 1 old
};

// Every starter instrument, in a fixed order. The songs refer to them by name.
const std::vector<StarterInstrument>& Instruments();
const StarterInstrument& InstrumentNamed(const std::string& file);

}  // namespace kelmar::starters
