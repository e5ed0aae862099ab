// The per-sample-rate frequency table and the tick length.
#include "engine/engine.h"

namespace kelmar {

void Engine::BuildFreqTable() {
  // A rate of 0 never comes from the options; it yields a table of zeros rather than a division by 0.
  for (uint32_t i = 0; i < FreqTable.size(); ++i)
    FreqTable[i] = SampleRate == 0 ? 0u : static_cast<uint32_t>((static_cast<uint64_t>(i) << 24) / SampleRate);
}

uint16_t Engine::SamplesPerTickFor(uint8_t tempo) const {
  const uint32_t t = tempo == 0 ? kDefaultTempo : tempo;
  const uint32_t frames = SampleRate / t;
  // At least one frame per tick, so that the renderer always moves on.
  return static_cast<uint16_t>(frames == 0 ? 1 : frames);
}

}  // namespace kelmar
