// The fixed tables: sine, noise, morph and vibrato. Built once per process on first use.
#include <cmath>
#include <numbers>

#include "engine/random.h"
#include "engine/tables.h"

namespace kelmar {
namespace {

void BuildSine(FixedTables& t) {
  // The period is 511 on purpose: entry 511 repeats entry 0. No entry lies near a
  // rounding boundary, so double precision is exact enough.
  for (int i = 0; i < 512; ++i)
    t.SineTable[i] = static_cast<uint8_t>(128 + std::lround(127.0 * std::sin(2.0 * std::numbers::pi * i / 511.0)));
}

void BuildNoise(FixedTables& t) {
  Random random;
  random.Seed(1);
  for (int k = 0; k < 4096; ++k) t.NoiseTable[k] = static_cast<int16_t>(static_cast<uint16_t>(random.Draw(65536)));
}

void BuildMorph(FixedTables& t) {
  for (int c = 0; c < 256; ++c) {
    const int i = 255 - c;
    for (int j = 0; j < 256; ++j) {
      int entry;
      if ((j + 1) * 255 / (i + 1) > 255)
        entry = 256 + (j - i) * 256 / (256 - i);
      else
        entry = j * 256 / (i + 1);
      t.MorphTable[j][c] = static_cast<uint16_t>(entry);
      t.MorphByColumn[c][j] = static_cast<uint16_t>(entry);
    }
  }
}

void BuildVib(FixedTables& t) {
  // Quarter wave computed, the rest by symmetry so that the table is exactly odd and mirrored.
  for (int k = 0; k <= 16; ++k)
    t.VibTable[k] = static_cast<int16_t>(std::trunc(255.0 * std::sin(2.0 * std::numbers::pi * k / 64.0)));
  for (int k = 1; k < 16; ++k) t.VibTable[16 + k] = t.VibTable[16 - k];
  for (int k = 0; k < 32; ++k) t.VibTable[32 + k] = static_cast<int16_t>(-t.VibTable[k]);
}

}  // namespace

const FixedTables& Tables() {
  static const FixedTables* const tables = [] {
    static FixedTables t;  // static storage: the morph tables are too large for a stack
    BuildNoise(t);
    BuildSine(t);
    BuildMorph(t);
    BuildVib(t);
    return &t;
  }();
  return *tables;
}

}  // namespace kelmar
