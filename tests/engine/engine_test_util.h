// Helpers for the engine tests: fresh engines and instruments built from readable settings.
#pragma once

#include <memory>

#include "engine/engine.h"

namespace kelmar::test {

// Engines are large; keep them off the stack.
inline std::unique_ptr<Engine> NewEngine() { return std::make_unique<Engine>(); }

inline void SetEnvelope(Envelope& env, uint8_t start, std::initializer_list<std::pair<uint8_t, uint8_t>> steps) {
  env = Envelope{};
  env.Start = start;
  int n = 0;
  for (auto [len, val] : steps) {
    (&env.Len1)[n] = len;
    (&env.Val1)[n] = val;
    ++n;
  }
}

// A plain tone: source oscillator 1 at the given waveform and amplitude, volume envelope
// jumping to `level` after one tick and holding there.
inline Instrument Tone(uint8_t wave = 0x00, int8_t amp = 127, uint8_t level = 255) {
  Instrument ins{};
  ins.SrcOsc1Amp = amp;
  ins.SrcOsc1Wave = wave;
  ins.DstOsc1Amp = amp;
  ins.DstOsc1Wave = wave;
  SetEnvelope(ins.VolEnv, level, {});
  return ins;
}

inline void PutNote(Song& song, int pattern, int track, int row, int note, uint8_t effects = 0, uint8_t p1 = 0,
                    uint8_t p2 = 0) {
  song.Cell(pattern, track, row) = PatternCell{static_cast<uint8_t>(note), effects, p1, p2};
}

inline uint8_t Fx(uint8_t first, uint8_t second = 0) { return static_cast<uint8_t>((first << 4) | second); }

}  // namespace kelmar::test
