// The fixed tables: computed once per process and shared by every Engine.
#pragma once

#include <array>
#include <cstdint>

namespace kelmar {

struct FixedTables {
  std::array<uint8_t, 512> SineTable;
  std::array<int16_t, 4096> NoiseTable;
  std::array<std::array<uint16_t, 256>, 256> MorphTable;  // [cycle position][sweep column]
  // The same entries transposed, [sweep column][cycle position]: a voice reads one column
  // for a whole cycle, so the renderer wants that column contiguous.
  std::array<std::array<uint16_t, 256>, 256> MorphByColumn;
  std::array<int16_t, 64> VibTable;
};

constexpr std::array<uint8_t, 12> NoteTable = {6, 21, 38, 55, 74, 93, 114, 136, 159, 184, 210, 238};

// Built on first use (thread-safe static), identical on every run.
const FixedTables& Tables();

}  // namespace kelmar
