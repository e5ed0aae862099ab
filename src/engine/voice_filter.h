// The filter pass of the renderer: the one-pole low-pass filter, volume and pan of the voices
// that are filtered or noisy. Their oscillators leave, per frame and slot, the raw sample and
// the filter setting in Engine::FilterScratch; the pass then runs the voices side by side.
// Audio thread only (internal to the renderer).
#pragma once

#include <cstdint>

#include "engine/divide_by_255.h"
#include "engine/engine.h"

namespace kelmar {

// Slots per scratch row: one per voice.
constexpr int kFilterSlots = kChannelCount;

// One frame's filter coefficient k (1..255, low half) and volume level (0..255, high half),
// each already multiplied by the reciprocal of 255.
inline uint64_t FilterSetting(uint32_t k, uint32_t level) {
  return static_cast<uint64_t>(Scaled255(k)) | (static_cast<uint64_t>(Scaled255(level)) << 32);
}

// The output of a voice without filter for each wave byte b, entry b, at volume level `level`
// (0..255) and pan lr: the filter's output for the sample b * 257 - 32768 (with k = 255 the
// state follows the sample), packed as the mix adds it.
void FillOutputTable(uint32_t level, uint8_t lr, int32_t* table);

// Filters voices[0..count-1] (scratch slots 0..count-1) over frames frames and adds their
// outputs to mix. With stems, each non-null stems[j] also receives voice j's contribution.
// The path chooses the instructions (RenderPath); the output is the same on every path.
void FilterPass(Channel* const* voices, int16_t* const* stems, int count, RenderPath path,
                const Engine::FilterScratch& in, int32_t* mix, int frames);

}  // namespace kelmar
