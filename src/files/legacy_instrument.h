// The 44-byte instrument record of the oldest files ("INS0" chunks, "KELMARI0" instrument
// files): one wave nibble per source and destination oscillator and no second-oscillator
// wave. Converted instruments play in synth mode 1 ("old (pre-0.7.3)").
#pragma once

#include <cstdint>

#include "engine/song.h"

namespace kelmar {

constexpr int kLegacyInstrumentSize = 44;

// The 48-byte instrument a legacy record stands for.
Instrument ConvertLegacyRecord(const uint8_t* legacy);

// Converts into song instrument `instrument` and sets its synth mode to 1.
void ConvertLegacyInstrument(const uint8_t* legacy, Song& song, uint8_t instrument);

}  // namespace kelmar
