#include "tools/starters/starter_instruments.h"

#include <cstdio>
#include <cstdlib>

namespace kelmar::starters {
namespace {

// A step list for an envelope: start value, then up to four (ticks, value) steps.
Envelope Env(uint8_t start, std::initializer_list<std::pair<int, int>> steps) {
  Envelope e{};
  e.Start = start;
  int n = 0;
  for (auto [len, val] : steps) {
    (&e.Len1)[n] = static_cast<uint8_t>(len);
    (&e.Val1)[n] = static_cast<uint8_t>(val);
    ++n;
  }
  return e;
}

struct Builder {
  Instrument ins{};
  Builder& Src(int amp1, uint8_t wave1, int amp2 = 0, uint8_t wave2 = 0) {
    ins.SrcOsc1Amp = static_cast<int8_t>(amp1);
    ins.SrcOsc1Wave = wave1;
    ins.SrcOsc2Amp = static_cast<int8_t>(amp2);
    ins.SrcOsc2Wave = wave2;
    return *this;
  }
  Builder& Dst(int amp1, uint8_t wave1, int amp2 = 0, uint8_t wave2 = 0) {
    ins.DstOsc1Amp = static_cast<int8_t>(amp1);
    ins.DstOsc1Wave = wave1;
    ins.DstOsc2Amp = static_cast<int8_t>(amp2);
    ins.DstOsc2Wave = wave2;
    return *this;
  }
  // Old model pair bytes: ramp rate, sine bend, inversion point, gain.
  Builder& OldSrc(int ramp, int bend, int invert, int gain) {
    ins.SrcOsc1Amp = static_cast<int8_t>(ramp);
    ins.SrcOsc1Wave = static_cast<uint8_t>(bend);
    ins.SrcOsc2Amp = static_cast<int8_t>(invert);
    ins.SrcOsc2Wave = static_cast<uint8_t>(gain);
    return *this;
  }
  Builder& OldDst(int ramp, int bend, int invert, int gain) {
    ins.DstOsc1Amp = static_cast<int8_t>(ramp);
    ins.DstOsc1Wave = static_cast<uint8_t>(bend);
    ins.DstOsc2Amp = static_cast<int8_t>(invert);
    ins.DstOsc2Wave = static_cast<uint8_t>(gain);
    return *this;
  }
  Builder& Vol(Envelope e) { ins.VolEnv = e; return *this; }
  Builder& Sweep(Envelope e) { ins.SweepEnv = e; return *this; }
  Builder& Filter(int f) { ins.Filter = static_cast<uint8_t>(f); return *this; }
  Builder& Arp(int delay, int speed, int repeat, int a1, int a2, int a3) {
    ins.ArpDelay = static_cast<uint8_t>(delay);
    ins.ArpSpeed = static_cast<uint8_t>(speed);
    ins.ArpRepeat = static_cast<uint8_t>(repeat);
    ins.Arp1 = static_cast<int8_t>(a1);
    ins.Arp2 = static_cast<int8_t>(a2);
    ins.Arp3 = static_cast<int8_t>(a3);
    return *this;
  }
  Builder& Noise(int delay, int freq, int len1, int pause = 0, int len2 = 0) {
    ins.NzeEnable = 1;
    ins.NzeDelay = static_cast<uint8_t>(delay);
    ins.NzeFreq = static_cast<uint8_t>(freq);
    ins.NzeLen1 = static_cast<uint8_t>(len1);
    ins.NzePause = static_cast<uint8_t>(pause);
    ins.NzeLen2 = static_cast<uint8_t>(len2);
    return *this;
  }
  Builder& Porta(int delay, int speed, int len, int val) {
    ins.PMEnable = 1;
    ins.PMDelay = static_cast<uint8_t>(delay);
    ins.PMSpeed = static_cast<uint8_t>(speed);
    ins.PMLen = static_cast<uint8_t>(len);
    ins.PMVal = static_cast<int8_t>(val);
    return *this;
  }
  Builder& Vib(int delay, int speed, int depth) {
    ins.VibEnable = 1;
    ins.VibDelay = static_cast<uint8_t>(delay);
    ins.VibSpeed = static_cast<uint8_t>(speed);
    ins.VibDepth = static_cast<uint8_t>(depth);
    return *this;
  }
};

std::vector<StarterInstrument> Make() {
  std::vector<StarterInstrument> all;
  std::string folder;  // each group below sets the folder of the instruments it adds
  auto add = [&](const char* file, const Builder& b, uint8_t mode = 0) {
    all.push_back({file, folder, b.ins, mode});
  };

  // Basses: the sweep moves from a soft source to a brighter destination as the note ages.
  folder = "bass";
  add("bass-saw.kli", Builder()
                          .Src(14, Wave(kSine, 2), 8, Wave(kSaw, 2))
                          .Dst(18, Wave(kSaw, 2), 6, Wave(kSquare, 4))
                          .Vol(Env(230, {{6, 170}, {30, 120}}))
                          .Sweep(Env(0, {{12, 200}, {40, 60}}))
                          .Filter(70));
  add("bass-sub.kli", Builder()
                          .Src(20, Wave(kSine, 2), 5, Wave(kSine, 4))
                          .Dst(20, Wave(kSine, 2), 9, Wave(kSquare, 2))
                          .Vol(Env(255, {{4, 200}, {40, 140}}))
                          .Sweep(Env(255, {{8, 0}})));
  add("bass-pluck.kli", Builder()
                            .OldSrc(64, 0, 128, 12)
                            .OldDst(128, 6, 64, 4)
                            .Vol(Env(255, {{3, 180}, {12, 90}, {20, 40}}))
                            .Sweep(Env(0, {{10, 255}}))
                            .Filter(110),
      1);
  add("bass-rubber-pluck.kli", Builder()
                                   .Src(12, Wave(kSine, 2), 6, Wave(kSquare, 2, 2))
                                   .Dst(16, Wave(kSine, 2))
                                   .Vol(Env(255, {{2, 200}, {14, 110}, {40, 60}}))
                                   .Sweep(Env(0, {{6, 255}}))
                                   .Filter(120));
  add("bass-wobble.kli", Builder()
                             .Src(16, Wave(kSine, 2))
                             .Dst(12, Wave(kSaw, 2), 4, Wave(kSquare, 4))
                             .Vol(Env(230, {{4, 200}}))
                             .Sweep(Env(0, {{6, 230}, {6, 0}}))
                             .Filter(60));
  add("bass-old-growl.kli", Builder()
                                .OldSrc(64, 0, 0, 20)
                                .OldDst(64, 32, 0, 4)
                                .Vol(Env(240, {{6, 190}}))
                                .Sweep(Env(60, {{20, 200}, {20, 60}}))
                                .Filter(150),
      1);
  add("bass-round-punch.kli", Builder()
                                  .Src(10, Wave(kSaw, 2), 8, Wave(kSine, 6))
                                  .Dst(18, Wave(kSine, 2))
                                  .Vol(Env(255, {{3, 210}, {30, 150}}))
                                  .Sweep(Env(0, {{4, 255}})));
  // Leads.
  folder = "lead";
  add("lead-square-vib.kli", Builder()
                                 .Src(12, Wave(kSquare, 2), 4, Wave(kSine, 4))
                                 .Dst(10, Wave(kSquare, 2, 3), 8, Wave(kSaw, 2))
                                 .Vol(Env(200, {{4, 170}, {60, 120}}))
                                 .Sweep(Env(40, {{30, 180}, {30, 40}}))
                                 .Vib(12, 3, 5)
                                 .Filter(30));
  add("lead-saw-arp.kli", Builder()
                              .Src(16, Wave(kSaw, 2))
                              .Dst(12, Wave(kSaw, 4), 6, Wave(kSquare, 2))
                              .Vol(Env(210, {{10, 150}, {40, 90}}))
                              .Sweep(Env(0, {{20, 255}, {20, 0}}))
                              .Arp(0, 1, 1, 12, 7, 0));
  add("lead-old-reed.kli", Builder()
                               .OldSrc(64, 4, 128, 10)
                               .OldDst(64, 12, 90, 16)
                               .Vol(Env(120, {{6, 200}, {50, 150}}))
                               .Sweep(Env(0, {{40, 255}, {40, 0}}))
                               .Vib(18, 2, 6)
                               .Filter(60),
      1);
  add("lead-porta.kli", Builder()
                            .Src(14, Wave(kSaw, 2), 6, Wave(kSquare, 4))
                            .Dst(14, Wave(kSquare, 2))
                            .Vol(Env(220, {{8, 160}, {40, 100}}))
                            .Sweep(Env(0, {{16, 255}}))
                            .Porta(2, 0, 24, -6));
  add("lead-sync-sweep.kli", Builder()
                                 .Src(14, Wave(kSaw, 2))
                                 .Dst(12, Wave(kSaw, 4), 4, Wave(kSquare, 2, 2))
                                 .Vol(Env(210, {{6, 180}}))
                                 .Sweep(Env(0, {{30, 220}, {30, 0}}))
                                 .Vib(20, 4, 3));
  add("lead-soft-flute.kli", Builder()
                                 .Src(14, Wave(kSine, 2), 3, Wave(kSine, 4))
                                 .Dst(16, Wave(kSine, 2))
                                 .Vol(Env(60, {{8, 190}, {40, 160}}))
                                 .Noise(0, 90, 2)
                                 .Vib(25, 4, 3));
  add("lead-old-buzz.kli", Builder()
                               .OldSrc(64, 0, 0, 8)
                               .OldDst(128, 0, 0, 8)
                               .Vol(Env(220, {{4, 180}, {60, 140}}))
                               .Sweep(Env(0, {{20, 255}, {20, 0}}))
                               .Vib(10, 5, 4),
      1);
  // Pads: slow attacks and a sweep that keeps cycling between the two pairs.
  folder = "pad";
  add("pad-warm.kli", Builder()
                          .Src(14, Wave(kSine, 2), 8, Wave(kSine, 6, 3))
                          .Dst(12, Wave(kSaw, 2, 3), 6, Wave(kSine, 4))
                          .Vol(Env(0, {{40, 120}, {60, 100}}))
                          .Sweep(Env(0, {{90, 255}, {90, 0}}))
                          .Vib(30, 2, 2)
                          .Filter(90));
  add("pad-glass.kli", Builder()
                           .Src(12, Wave(kSine, 2), 6, Wave(kSine, 8))
                           .Dst(12, Wave(kCosine, 4), 8, Wave(kSine, 2, 1))
                           .Vol(Env(0, {{60, 110}, {80, 80}}))
                           .Sweep(Env(255, {{120, 0}, {120, 255}})));
  add("pad-old-choir.kli", Builder()
                               .OldSrc(64, 3, 128, 0)
                               .OldDst(64, 9, 128, 4)
                               .Vol(Env(0, {{50, 110}, {60, 90}}))
                               .Sweep(Env(0, {{100, 255}, {100, 0}}))
                               .Vib(20, 1, 3),
      1);
  add("pad-slow-strings.kli", Builder()
                                  .Src(10, Wave(kSaw, 2), 4, Wave(kSaw, 4, 3))
                                  .Dst(12, Wave(kSaw, 2, 3), 6, Wave(kSine, 2))
                                  .Vol(Env(0, {{75, 175}, {60, 150}}))
                                  .Sweep(Env(0, {{70, 160}, {70, 0}}))
                                  .Vib(40, 3, 2)
                                  .Filter(200));
  add("pad-shimmer.kli", Builder()
                             .Src(12, Wave(kSine, 2), 5, Wave(kSine, 8))
                             .Dst(10, Wave(kSine, 4), 8, Wave(kSine, 2))
                             .Vol(Env(0, {{50, 120}, {80, 100}}))
                             .Sweep(Env(0, {{8, 255}, {8, 0}}))
                             .Vib(20, 2, 1));
  add("pad-old-hollow.kli", Builder()
                                .OldSrc(64, 32, 0, 0)
                                .OldDst(128, 0, 128, 0)
                                .Vol(Env(0, {{60, 120}}))
                                .Sweep(Env(0, {{80, 255}, {80, 0}}))
                                .Vib(30, 2, 2),
      1);
  // Plucks and arpeggio voices.
  folder = "pluck";
  add("pluck-bright.kli", Builder()
                              .Src(16, Wave(kSaw, 2), 10, Wave(kSquare, 4))
                              .Dst(16, Wave(kSine, 2))
                              .Vol(Env(240, {{2, 180}, {10, 60}, {20, 0}}))
                              .Sweep(Env(0, {{14, 255}}))
                              .Filter(160));
  add("pluck-arp-fifths.kli", Builder()
                                  .Src(14, Wave(kSquare, 2), 6, Wave(kSine, 4))
                                  .Dst(16, Wave(kSine, 2))
                                  .Vol(Env(200, {{6, 120}, {30, 50}}))
                                  .Sweep(Env(0, {{24, 255}}))
                                  .Arp(0, 1, 1, 7, 12, 0));
  add("pluck-harp.kli", Builder()
                            .Src(12, Wave(kSine, 2), 6, Wave(kSine, 4, 2))
                            .Dst(16, Wave(kSine, 2))
                            .Vol(Env(230, {{3, 160}, {25, 60}, {40, 0}}))
                            .Sweep(Env(0, {{8, 255}})));
  add("pluck-old-koto.kli", Builder()
                                .OldSrc(64, 16, 0, 6)
                                .OldDst(64, 32, 0, 0)
                                .Vol(Env(250, {{2, 170}, {12, 70}, {30, 0}}))
                                .Sweep(Env(0, {{10, 255}}))
                                .Vib(12, 3, 2)
                                .Filter(100),
      1);
  add("pluck-muted.kli", Builder()
                             .Src(10, Wave(kSquare, 2), 6, Wave(kSine, 2))
                             .Dst(14, Wave(kSine, 2))
                             .Vol(Env(220, {{2, 120}, {6, 0}}))
                             .Sweep(Env(60, {{4, 255}}))
                             .Filter(220));
  // Bells and keys: a sine and a higher partial fading into a pure sine; the organ holds both
  // pairs at half a cycle each.
  folder = "bells-keys";
  add("bell-fm.kli", Builder()
                         .Src(16, Wave(kSine, 2), 10, Wave(kSine, 7))
                         .Dst(18, Wave(kSine, 2), 3, Wave(kSine, 9))
                         .Vol(Env(255, {{3, 200}, {40, 90}, {80, 0}}))
                         .Sweep(Env(0, {{30, 255}})));
  add("bell-tine.kli", Builder()
                           .Src(14, Wave(kSine, 4), 12, Wave(kSine, 2))
                           .Dst(18, Wave(kSine, 2))
                           .Vol(Env(230, {{10, 120}, {60, 0}}))
                           .Sweep(Env(0, {{12, 255}}))
                           .Vib(20, 2, 2));
  add("keys-electric-piano.kli", Builder()
                                     .Src(12, Wave(kSine, 2), 4, Wave(kSine, 14, 2))
                                     .Dst(14, Wave(kSine, 2), 2, Wave(kSine, 4))
                                     .Vol(Env(240, {{4, 190}, {50, 100}, {100, 0}}))
                                     .Sweep(Env(0, {{5, 255}})));
  add("keys-organ.kli", Builder()
                            .Src(8, Wave(kSine, 2), 6, Wave(kSine, 6))
                            .Dst(8, Wave(kSine, 4), 6, Wave(kSine, 8))
                            .Vol(Env(200, {{2, 170}}))
                            .Sweep(Env(128, {}))
                            .Vib(0, 6, 1));
  add("keys-old-harpsichord.kli", Builder()
                                      .OldSrc(64, 0, 0, 0)
                                      .OldDst(128, 0, 0, 4)
                                      .Vol(Env(240, {{2, 200}, {30, 80}, {40, 0}}))
                                      .Sweep(Env(0, {{20, 200}})),
      1);
  add("bell-glockenspiel.kli", Builder()
                                   .Src(10, Wave(kSine, 2), 6, Wave(kSine, 16))
                                   .Dst(16, Wave(kSine, 2))
                                   .Vol(Env(255, {{2, 200}, {60, 60}, {90, 0}}))
                                   .Sweep(Env(0, {{20, 255}})));
  add("keys-marimba.kli", Builder()
                              .Src(14, Wave(kSine, 2), 6, Wave(kSine, 8, 2))
                              .Dst(16, Wave(kSine, 2))
                              .Vol(Env(255, {{2, 180}, {10, 60}, {20, 0}}))
                              .Sweep(Env(0, {{5, 255}})));
  // Drums: the noise program sounds the noise table for a few ticks (the attack of the tuned
  // ones), and the kicks fall in pitch with portamento.
  folder = "drums";
  add("drum-kick.kli", Builder()
                           .Src(24, Wave(kSine, 2))
                           .Dst(24, Wave(kSine, 2))
                           .Vol(Env(255, {{3, 200}, {6, 0}}))
                           .Noise(0, 30, 1)
                           .Porta(0, 0, 8, -20));
  add("drum-snare.kli", Builder()
                            .Src(20, Wave(kSine, 2))
                            .Dst(16, Wave(kSquare, 2))
                            .Vol(Env(240, {{2, 160}, {6, 0}}))
                            .Noise(0, 75, 2, 1, 5));
  add("drum-hat-closed.kli", Builder()
                                 .Src(8, Wave(kSquare, 2))
                                 .Dst(8, Wave(kSquare, 2))
                                 .Vol(Env(150, {{2, 0}}))
                                 .Noise(0, 96, 2));
  add("drum-hat-open.kli", Builder()
                               .Src(8, Wave(kSquare, 2))
                               .Dst(8, Wave(kSquare, 2))
                               .Vol(Env(130, {{10, 0}}))
                               .Noise(0, 92, 10));
  add("drum-tom.kli", Builder()
                          .Src(22, Wave(kSine, 2), 4, Wave(kSaw, 2))
                          .Dst(22, Wave(kSine, 2))
                          .Vol(Env(240, {{4, 160}, {10, 0}}))
                          .Noise(0, 0, 1)
                          .Porta(1, 0, 10, -8));
  add("drum-kick-punch.kli", Builder()
                                 .Src(24, Wave(kSine, 2))
                                 .Dst(16, Wave(kSine, 2))
                                 .Vol(Env(255, {{2, 230}, {10, 0}}))
                                 .Sweep(Env(0, {{3, 255}}))
                                 .Noise(0, 40, 1)
                                 .Porta(0, 0, 10, -30));
  // No oscillators: only the noise sounds, in two bursts a tick apart.
  add("drum-clap.kli", Builder()
                           .Vol(Env(230, {{2, 200}, {8, 0}}))
                           .Noise(0, 70, 1, 1, 6)
                           .Filter(120));
  add("drum-cowbell.kli", Builder()
                              .Src(8, Wave(kSquare, 4), 8, Wave(kSquare, 6))
                              .Dst(6, Wave(kSquare, 4), 6, Wave(kSquare, 6))
                              .Vol(Env(230, {{2, 160}, {12, 40}, {10, 0}}))
                              .Sweep(Env(0, {{4, 255}}))
                              .Noise(0, 0, 1)
                              .Filter(100));
  add("drum-shaker.kli", Builder()
                             .Vol(Env(0, {{2, 130}, {5, 0}}))
                             .Noise(0, 96, 8));
  add("drum-old-rimshot.kli", Builder()
                                  .OldSrc(192, 32, 0, 10)
                                  .OldDst(192, 32, 0, 10)
                                  .Vol(Env(240, {{1, 120}, {3, 0}}))
                                  .Noise(0, 90, 1),
      1);
  add("drum-crash.kli", Builder()
                            .Vol(Env(200, {{3, 150}, {40, 60}, {60, 0}}))
                            .Noise(0, 96, 110)
                            .Filter(30));
  // Chip sounds. A square of multiplier 1 is a constant level (with a negative amplitude, the
  // opposite one), and a fixed sweep gives the first pair (256 - sweep) / 256 of each cycle:
  // two such levels make a pulse of that width, weighed so that it carries no offset.
  folder = "chip";
  add("chip-pulse-25.kli", Builder()
                               .Src(-15, Wave(kSquare, 1))
                               .Dst(5, Wave(kSquare, 1))
                               .Vol(Env(200, {{3, 170}, {40, 140}}))
                               .Sweep(Env(192, {})));
  add("chip-pulse-12.kli", Builder()
                               .Src(-16, Wave(kSquare, 1))
                               .Dst(2, Wave(kSquare, 1))
                               .Vol(Env(240, {{6, 180}}))
                               .Sweep(Env(224, {})));
  // The square squeezed into a part of the cycle that the sweep widens and narrows, silence
  // in the rest: a moving pulse width.
  add("chip-pwm-lead.kli", Builder()
                               .Src(16, Wave(kSquare, 2))
                               .Vol(Env(200, {{4, 170}}))
                               .Sweep(Env(0, {{25, 160}, {25, 0}}))
                               .Vib(20, 5, 2));
  add("chip-arp-major.kli", Builder()
                                .Src(-15, Wave(kSquare, 1))
                                .Dst(5, Wave(kSquare, 1))
                                .Vol(Env(200, {{4, 160}, {60, 120}}))
                                .Sweep(Env(192, {}))
                                .Arp(0, 0, 1, 0, 4, 7));
  add("chip-arp-minor.kli", Builder()
                                .Src(12, Wave(kSquare, 2))
                                .Vol(Env(200, {{4, 160}, {60, 120}}))
                                .Arp(0, 1, 1, 0, 3, 7));
  add("chip-old-triangle-bass.kli", Builder()
                                        .OldSrc(128, 0, 128, 0)
                                        .OldDst(128, 0, 128, 0)
                                        .Vol(Env(220, {{30, 200}})),
      1);
  // Effects: pitch falls and rises, noise swells and wide vibrato. With a fixed noise note the
  // played note does not matter; portamento and vibrato still move the noise.
  folder = "effects";
  add("fx-laser-zap.kli", Builder()
                              .Src(12, Wave(kSquare, 2))
                              .Dst(12, Wave(kSaw, 2))
                              .Vol(Env(220, {{10, 120}, {6, 0}}))
                              .Sweep(Env(0, {{6, 255}}))
                              .Porta(0, 0, 10, -30));
  add("fx-noise-riser.kli", Builder()
                                .Vol(Env(10, {{150, 200}, {20, 0}}))
                                .Noise(0, 50, 255, 0, 255)
                                .Porta(0, 0, 150, 3));
  add("fx-wind.kli", Builder()
                         .Vol(Env(0, {{60, 150}, {60, 90}, {60, 160}, {120, 0}}))
                         .Noise(0, 40, 255, 0, 255)
                         .Vib(0, 1, 60)
                         .Filter(120));
  // A square and a sine of one multiplier are in opposite phase: the sine's negative amplitude
  // adds them.
  add("fx-siren.kli", Builder()
                          .Src(8, Wave(kSquare, 2), -8, Wave(kSine, 2))
                          .Vol(Env(200, {{10, 180}}))
                          .Vib(0, 2, 60));
  add("fx-coin-blip.kli", Builder()
                              .Src(10, Wave(kSquare, 2))
                              .Vol(Env(200, {{8, 180}, {20, 0}}))
                              .Arp(0, 3, 3, 0, 5, 5));
  // A falling whistle, then a burst of low noise that portamento has taken down with it.
  add("fx-bomb-drop.kli", Builder()
                              .Src(14, Wave(kSine, 2))
                              .Vol(Env(200, {{100, 170}, {5, 255}, {60, 0}}))
                              .Noise(105, 45, 60)
                              .Porta(0, 0, 100, -4));
  add("fx-old-ufo.kli", Builder()
                            .OldSrc(64, 32, 0, 0)
                            .OldDst(128, 32, 0, 4)
                            .Vol(Env(0, {{20, 180}}))
                            .Sweep(Env(0, {{30, 255}, {30, 0}}))
                            .Vib(0, 12, 40),
      1);
  return all;
}

}  // namespace

const std::vector<StarterInstrument>& Instruments() {
  static const std::vector<StarterInstrument> all = Make();
  return all;
}

const StarterInstrument& InstrumentNamed(const std::string& file) {
  for (const auto& s : Instruments())
    if (s.file == file) return s;
  std::fprintf(stderr, "kelmar-make-starters: no instrument %s\n", file.c_str());
  std::abort();
}

}  // namespace kelmar::starters
