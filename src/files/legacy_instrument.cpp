#include "files/legacy_instrument.h"

#include <cstring>

namespace kelmar {

Instrument ConvertLegacyRecord(const uint8_t* legacy) {
  uint8_t out[sizeof(Instrument)];
  out[0] = legacy[0];                                     // Filter
  out[1] = legacy[1] & 0xF0;                              // SrcOsc1Amp: the high nibble, in place
  out[2] = static_cast<uint8_t>((legacy[1] & 0x0F) << 4); // SrcOsc1Wave
  out[3] = legacy[2];                                     // SrcOsc2Amp
  out[4] = 0;                                             // SrcOsc2Wave
  out[5] = legacy[3] & 0xF0;                              // DstOsc1Amp
  out[6] = static_cast<uint8_t>((legacy[3] & 0x0F) << 4); // DstOsc1Wave
  out[7] = legacy[4];                                     // DstOsc2Amp
  out[8] = 0;                                             // DstOsc2Wave
  std::memcpy(out + 9, legacy + 5, 18);                   // VolEnv, SweepEnv
  std::memcpy(out + 27, legacy + 23, 21);                 // ArpDelay .. VibEnable
  Instrument ins;
  std::memcpy(&ins, out, sizeof ins);
  return ins;
}

void ConvertLegacyInstrument(const uint8_t* legacy, Song& song, uint8_t instrument) {
  song.Instruments[instrument] = ConvertLegacyRecord(legacy);
  song.SynthMode[instrument] = 1;
}

}  // namespace kelmar
