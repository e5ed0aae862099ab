// The busy song the render benchmarks play: eight instruments, one per track, both
// oscillator models, filters on three, noise on two, vibrato on three, portamento, arpeggio
// and a looping sweep, all holding a non-zero volume; pattern 0 retriggers every voice twice.
#pragma once

#include "engine/song.h"

namespace kelmar::bench {

// Pattern 0 and the instruments 1..8 of a new song; the order list is left to the caller.
inline void EightVoiceSong(Song& s) {
  for (int c = 0; c < 8; ++c) {
    Instrument& ins = s.Instruments[c + 1];
    ins.SrcOsc1Amp = static_cast<int8_t>(30 + 10 * c);
    ins.SrcOsc1Wave = static_cast<uint8_t>(0x11 * c);
    ins.SrcOsc2Amp = static_cast<int8_t>(-20 - 5 * c);
    ins.SrcOsc2Wave = static_cast<uint8_t>(0x36 + c);
    ins.DstOsc1Amp = 70;
    ins.DstOsc1Wave = static_cast<uint8_t>(0x23 + 0x10 * c);
    ins.VolEnv.Start = 200;
    ins.VolEnv.Len1 = 30;
    ins.VolEnv.Val1 = static_cast<uint8_t>(150 + c);
    ins.SweepEnv.Start = 0;
    ins.SweepEnv.Len1 = 40;
    ins.SweepEnv.Val1 = 255;
    ins.SweepEnv.Len2 = 40;
    ins.SweepEnv.Val2 = 0;
    ins.Filter = (c == 1 || c == 4 || c == 7) ? static_cast<uint8_t>(60 + 25 * c) : 0;
    s.SynthMode[c + 1] = c % 3 == 2 ? 1 : 0;
    s.Cell(0, c, 0) = PatternCell{static_cast<uint8_t>(36 + 5 * c), 0x20, static_cast<uint8_t>(c + 1), 0};
    s.Cell(0, c, 16) = PatternCell{static_cast<uint8_t>(43 + 5 * c), 0, 0, 0};
  }
  s.Instruments[3].NzeEnable = 1;  // noise the whole time
  s.Instruments[3].NzeLen1 = 255;
  s.Instruments[6].NzeEnable = 1;
  s.Instruments[6].NzeLen1 = 255;
  for (int c : {1, 4, 7}) {
    s.Instruments[c + 1].VibEnable = 1;
    s.Instruments[c + 1].VibSpeed = 3;
    s.Instruments[c + 1].VibDepth = 9;
  }
  s.Instruments[5].ArpSpeed = 2;
  s.Instruments[5].Arp1 = 12;
  s.Instruments[5].Arp3 = 7;
  s.Instruments[5].ArpRepeat = 1;
  s.Instruments[8].PMEnable = 1;
  s.Instruments[8].PMLen = 200;
  s.Instruments[8].PMVal = 1;
}

}  // namespace kelmar::bench
