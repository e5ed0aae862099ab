// Whole-song renders: the block renderer against a plain frame-by-frame rendering of the
// same voice rules, and fingerprints of crafted songs that lock the output bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/headless.h"
#include "engine_test_util.h"

namespace kelmar {
namespace {

using test::Fx;
using test::NewEngine;
using test::PutNote;
using test::SetEnvelope;

// Frame by frame, voice by voice, exactly as the rules read; shares only Tick.
std::vector<int16_t> ReferenceRender(Engine& e, int frames) {
  std::vector<int16_t> out(2 * static_cast<size_t>(frames));
  const FixedTables& t = Tables();
  for (int f = 0; f < frames; ++f) {
    if (e.TickCountdown == 0) {
      e.TickCountdown = e.SamplesPerTick;
      e.TickDone = 0;
      e.Tick();
      e.TickDone = 1;
    }
    int16_t left = 0, right = 0;
    for (int c = 0; c <= std::min<int>(e.LastChannel, 7); ++c) {
      Channel& ch = e.Channels[c];
      if (ch.VolEnvState.Value == 0) continue;
      ch.Phase += ch.PhaseInc;
      ch.PhasePos = static_cast<uint16_t>(ch.Phase >> 8);
      if ((ch.PrevPhasePos & 0x8000) != 0 && (ch.PhasePos & 0x8000) == 0) {
        ch.LatchedVol = ch.VolEnvState.Value;
        ch.LatchedSweep = ch.SweepEnvState.Value;
      }
      ch.PrevPhasePos = ch.PhasePos;
      const int position = t.MorphTable[ch.PhasePos >> 8][ch.LatchedSweep >> 8];
      ch.Sample = static_cast<int16_t>(e.WaveTables[ch.Instrument][position] * 257 - 32768);
      if (ch.NoiseOn) ch.Sample = t.NoiseTable[(ch.Phase >> 20) % 4096];
      const int32_t k = 255 - ((ch.LatchedVol * ch.Filter) >> 16);
      ch.FilterState = static_cast<int16_t>(ch.FilterState + (ch.Sample - ch.FilterState) * k / 255);
      const int v = (ch.LatchedVol >> 8) * ch.FilterState / 255;
      left = static_cast<int16_t>(left + v * (ch.LRVolume >> 4) / 128);
      right = static_cast<int16_t>(right + v * (ch.LRVolume % 16) / 128);
    }
    out[2 * f] = left;
    out[2 * f + 1] = right;
    e.TickCountdown = static_cast<uint16_t>(e.TickCountdown - 1);
  }
  return out;
}

void ExpectSameVoices(const Engine& a, const Engine& b) {
  for (int c = 0; c < 8; ++c) {
    const Channel& x = a.Channels[c];
    const Channel& y = b.Channels[c];
    EXPECT_EQ(x.Phase, y.Phase) << c;
    EXPECT_EQ(x.PhasePos, y.PhasePos) << c;
    EXPECT_EQ(x.PrevPhasePos, y.PrevPhasePos) << c;
    EXPECT_EQ(x.Sample, y.Sample) << c;
    EXPECT_EQ(x.FilterState, y.FilterState) << c;
    EXPECT_EQ(x.LatchedVol, y.LatchedVol) << c;
    EXPECT_EQ(x.LatchedSweep, y.LatchedSweep) << c;
  }
  EXPECT_EQ(a.TickCountdown, b.TickCountdown);
}

// Renders the song on two engines, block renderer and reference, and checks they agree;
// returns the block renderer's frames.
std::vector<int16_t> RenderBoth(const Song& song, int frames, uint8_t order, uint16_t mode, bool stopAtLoop = false) {
  auto a = NewEngine();
  auto b = NewEngine();
  std::vector<int16_t> out;
  for (Engine* e : {a.get(), b.get()}) {
    e->song = song;
    e->StartPlayback(order, 0, mode);
    e->StopAtLoop = stopAtLoop;
  }
  // Uneven slices, so that blocks end at odd places.
  for (int done = 0, slice = 1; done < frames; slice = slice * 7 % 1999 + 1) {
    const int n = std::min(slice, frames - done);
    auto part = RenderFramesHeadless(*a, n);
    out.insert(out.end(), part.begin(), part.end());
    done += n;
  }
  const auto ref = ReferenceRender(*b, frames);
  // The SSE2 and the plain filter paths give the same frames.
  for (const RenderPath path : {RenderPath::Sse2, RenderPath::Scalar}) {
    auto c = NewEngine();
    c->Path = path;
    c->song = song;
    c->StartPlayback(order, 0, mode);
    c->StopAtLoop = stopAtLoop;
    EXPECT_EQ(RenderFramesHeadless(*c, frames), ref);
    ExpectSameVoices(*c, *b);
  }
  EXPECT_EQ(out.size(), ref.size());
  size_t firstDiff = 0;
  while (firstDiff < out.size() && out[firstDiff] == ref[firstDiff]) ++firstDiff;
  EXPECT_EQ(firstDiff, out.size()) << "first difference at frame " << firstDiff / 2;
  ExpectSameVoices(*a, *b);
  return out;
}

int CountNonZero(const std::vector<int16_t>& v) {
  return static_cast<int>(std::count_if(v.begin(), v.end(), [](int16_t s) { return s != 0; }));
}

// Four tracks: a filtered, sweeping lead with arpeggio; an old-model bass with vibrato and
// portamento; a noise drum with a frequency override; a decaying pad panned by V.
Song ModulatorSong() {
  Song s;
  ResetSong(s);
  Instrument& lead = s.Instruments[1];
  lead.Filter = 180;
  lead.SrcOsc1Amp = 100;
  lead.SrcOsc1Wave = 0x22;  // saw 3x
  lead.SrcOsc2Amp = -40;
  lead.SrcOsc2Wave = 0x1D;  // cosine 2x, triangle amplitude
  lead.DstOsc1Amp = 127;
  lead.DstOsc1Wave = 0x03;  // square
  lead.DstOsc2Amp = 60;
  lead.DstOsc2Wave = 0x58;  // sine 6x, falling
  SetEnvelope(lead.VolEnv, 0, {{3, 255}, {20, 140}, {0, 140}, {40, 90}});
  SetEnvelope(lead.SweepEnv, 0, {{12, 255}, {12, 30}});
  lead.ArpDelay = 4;
  lead.ArpSpeed = 2;
  lead.ArpRepeat = 2;
  lead.Arp1 = 12;
  lead.Arp2 = 7;
  lead.Arp3 = -5;

  Instrument& bass = s.Instruments[2];
  s.SynthMode[2] = 1;
  const uint8_t oldBytes[8] = {64, 20, 60, 9, 128, 0, 30, 30};
  std::copy(oldBytes, oldBytes + 8, bass.bytes() + 1);
  SetEnvelope(bass.VolEnv, 200, {{30, 160}});
  SetEnvelope(bass.SweepEnv, 128, {});
  bass.VibEnable = 1;
  bass.VibDelay = 6;
  bass.VibSpeed = 5;
  bass.VibDepth = 12;
  bass.PMEnable = 1;
  bass.PMDelay = 2;
  bass.PMSpeed = 1;
  bass.PMLen = 30;
  bass.PMVal = -7;

  Instrument& drum = s.Instruments[3];
  drum.SrcOsc1Amp = 127;
  drum.SrcOsc1Wave = 0x80;
  SetEnvelope(drum.VolEnv, 255, {{8, 0}});
  drum.Filter = 60;
  drum.NzeEnable = 1;
  drum.NzeLen1 = 2;
  drum.NzePause = 1;
  drum.NzeLen2 = 3;
  drum.NzeFreq = 61;

  Instrument& pad = s.Instruments[4];
  pad.SrcOsc1Amp = 50;
  pad.SrcOsc1Wave = 0x10;
  pad.SrcOsc2Amp = 50;
  pad.SrcOsc2Wave = 0x21;
  pad.DstOsc1Amp = 80;
  pad.DstOsc1Wave = 0x06;
  SetEnvelope(pad.VolEnv, 0, {{10, 180}, {30, 60}, {20, 0}});
  SetEnvelope(pad.SweepEnv, 40, {{30, 200}});

  s.Speed = 3;
  s.Tempo = 60;
  for (int p = 0; p < 2; ++p) {
    for (int r = 0; r < 32; r += 4) {
      PutNote(s, p, 0, r, 48 + (r / 4) % 5 + p * 2, r == 0 ? Fx(kEffectInstrument) : 0, 1);
      PutNote(s, p, 2, r + 2, 30, Fx(kEffectInstrument, kEffectVolume), 3, r % 8 ? 0xF8 : 0x8F);
    }
    PutNote(s, p, 1, 0, 24 + p, Fx(kEffectInstrument, kEffectDetune), 2, static_cast<uint8_t>(-9));
    PutNote(s, p, 1, 16, 31, Fx(kEffectNoTrigger));
    PutNote(s, p, 3, 1, 60, Fx(kEffectInstrument, kEffectVolume), 4, 0x3C);
    PutNote(s, p, 3, 20, 67, Fx(kEffectInstrument), 4);
  }
  PutNote(s, 1, 4, 8, 127, Fx(kEffectTempo, kEffectSpeed), 75, 2);
  PutNote(s, 1, 4, 24, 127, Fx(kEffectInstrument), 1);  // I without a note on an idle track
  PutNote(s, 1, 5, 28, 127, Fx(kEffectBreak));
  s.Order[0] = MakeOrderEntry(kOrderPlay, 0);
  s.Order[1] = MakeOrderEntry(kOrderOther, 1);
  s.Order[2] = MakeOrderEntry(kOrderJump, 4);
  s.Order[4] = MakeOrderEntry(kOrderPlay, 0);
  s.Order[5] = MakeOrderEntry(kOrderStop, 0);
  return s;
}

TEST(SongRender, ModulatorSongMatchesTheReferenceAndItsFingerprint) {
  const Song song = ModulatorSong();
  auto e = NewEngine();
  e->song = song;
  e->StartPlayback(0, 0, 0);
  const auto full = RenderUntilStopped(*e, 10'000'000);
  EXPECT_EQ(e->OrderPos, 5);
  const int frames = static_cast<int>(full.size() / 2);
  // Pattern 0 at tempo 60, speed 3; pattern 1 until the T and S on row 8 (in force from the
  // next tick and the next row) and the break on row 28; pattern 0 again, whose last row
  // stops the song in its first tick ("S" order entry).
  EXPECT_EQ(frames, 96 * 735 + (25 * 735 + 41 * 588) + 63 * 588);
  const auto both = RenderBoth(song, frames, 0, 0);
  EXPECT_EQ(both, full);
  EXPECT_GT(CountNonZero(full), frames);
  EXPECT_EQ(Fnv1a64Samples(full), 0x427bf1fc95ba10daull) << std::hex << Fnv1a64Samples(full);
}

// Bytes no editor writes: high notes, unassigned effect codes, order command 3, tempo 0,
// wrapping arpeggio steps, extreme modulator values, mode bytes other than 0 and 1.
Song OddBytesSong() {
  Song s;
  ResetSong(s);
  s.Tempo = 0;
  s.Speed = 2;
  for (int i = 1; i <= 3; ++i) {
    Instrument& ins = s.Instruments[i];
    for (int b = 1; b <= 8; ++b) ins.bytes()[b] = static_cast<uint8_t>(b * 41 + i * 97);
    ins.Filter = static_cast<uint8_t>(i * 90);
    SetEnvelope(ins.VolEnv, 255, {{1, 250}, {255, 3}});
    SetEnvelope(ins.SweepEnv, 255, {{1, 0}, {1, 255}});
    ins.ArpRepeat = static_cast<uint8_t>(250 + i);
    ins.ArpSpeed = 1;
    ins.Arp1 = static_cast<int8_t>(i == 3 ? 127 : -24);
    ins.Arp2 = static_cast<int8_t>(i == 3 ? -128 : -36);
    ins.Arp3 = static_cast<int8_t>(i == 3 ? 100 : -30);
    ins.VibEnable = 9;
    ins.VibSpeed = 255;
    ins.VibDepth = static_cast<uint8_t>(i == 1 ? 255 : 40);
    ins.PMEnable = static_cast<uint8_t>(i == 3 ? 200 : 0);
    ins.PMLen = 255;
    ins.PMVal = -128;
    ins.NzeEnable = static_cast<uint8_t>(i == 2);
    ins.NzeLen1 = 3;
    ins.NzeLen2 = 200;
    ins.NzePause = 2;
    ins.NzeFreq = static_cast<uint8_t>(i == 2 ? 255 : 37);
  }
  s.SynthMode[2] = 7;
  for (int r = 0; r < 32; ++r)
    for (int t = 0; t < 8; ++t) {
      const int note = (r * 8 + t) * 5 % 256;
      PutNote(s, 0, t, r, note, static_cast<uint8_t>((r * 31 + t * 17) % 256), static_cast<uint8_t>(r + t),
              static_cast<uint8_t>(1 + (t % 3)));
      s.Cell(0, t, r).Effects = static_cast<uint8_t>(0xA0 | ((r + t) % 16 >= 10 ? (r + t) % 16 : 2));
    }
  PutNote(s, 0, 0, 5, 110, Fx(kEffectInstrument, kEffectVolume), 2, 0x5A);
  s.Order[0] = MakeOrderEntry(kOrderOther, 0);
  s.Order[1] = 0xFC00 | MakeOrderEntry(kOrderOther, 0);  // unused high bits
  s.Order[2] = MakeOrderEntry(kOrderStop, 0);
  return s;
}

TEST(SongRender, OddBytesPlayCleanly) {
  const Song song = OddBytesSong();
  const auto out = RenderBoth(song, 2 * 64 * 882 + 5000, 0, 0);
  EXPECT_GT(CountNonZero(out), 10000);
  EXPECT_EQ(Fnv1a64Samples(out), 0xf7b22d3f648d6a64ull) << std::hex << Fnv1a64Samples(out);
}

// Eight voices together in pattern mode, each with its own pan and model.
TEST(SongRender, EightVoicesInPatternMode) {
  Song s;
  ResetSong(s);
  for (int c = 0; c < 8; ++c) {
    Instrument& ins = s.Instruments[10 + c];
    ins.SrcOsc1Amp = static_cast<int8_t>(127 - 20 * c);
    ins.SrcOsc1Wave = static_cast<uint8_t>(0x13 * c);
    ins.DstOsc1Amp = static_cast<int8_t>(-30 - 10 * c);
    ins.DstOsc1Wave = static_cast<uint8_t>(0x31 * c + 2);
    ins.Filter = static_cast<uint8_t>(c % 3 ? 0 : 200);
    SetEnvelope(ins.VolEnv, 255, {{static_cast<uint8_t>(10 + c * 7), static_cast<uint8_t>(100 + c * 20)}});
    SetEnvelope(ins.SweepEnv, static_cast<uint8_t>(c * 30), {{15, static_cast<uint8_t>(255 - c * 30)}});
    s.SynthMode[10 + c] = c % 4 == 3;
    PutNote(s, 7, c, 0, 30 + 6 * c, Fx(kEffectInstrument, kEffectVolume), static_cast<uint8_t>(10 + c),
            static_cast<uint8_t>(0x0F + c * 0x20));
    PutNote(s, 7, c, 16, 33 + 6 * c, Fx(kEffectDetune), static_cast<uint8_t>(c * 9));
  }
  s.Instruments[13].VibEnable = 1;
  s.Instruments[13].VibSpeed = 9;
  s.Instruments[13].VibDepth = 15;
  s.Instruments[15].NzeEnable = 1;
  s.Instruments[15].NzeLen1 = 40;
  const auto out = RenderBoth(s, 32 * 6 * 882 + 3000, 0, 8);
  EXPECT_GT(CountNonZero(out), 32 * 6 * 882);
  EXPECT_EQ(Fnv1a64Samples(out), 0xfab1829e9aa467bbull) << std::hex << Fnv1a64Samples(out);
}

// Songs made of arbitrary bytes: every table filled from the generator. They must play
// without faults (the sanitizer build checks) and agree with the reference rendering.
TEST(SongRender, ArbitraryBytesAgreeWithTheReference) {
  int heard = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    auto song = std::make_unique<Song>();
    Random r;
    r.Seed(seed);
    auto* bytes = reinterpret_cast<uint8_t*>(song.get());
    for (size_t i = 0; i < sizeof(Song); ++i) bytes[i] = static_cast<uint8_t>(r.Draw(256));
    // Loud voices: most volume envelopes end high, so the voices are heard.
    for (int i = 0; i < kInstrumentCount; i += 2) song->Instruments[i].VolEnv.Start = 255;
    if (seed % 4 == 0)  // some without order-list stops, so that they play on
      for (OrderEntry& entry : song->Order) entry &= 0x00FF;
    const auto out = RenderBoth(*song, 20000, static_cast<uint8_t>(r.Draw(256)), seed % 3 ? 0 : static_cast<uint16_t>(r.Draw(65536)),
                                seed % 2);
    heard += CountNonZero(out) > 1000;
  }
  EXPECT_GE(heard, 4);
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

// Full-scale jumps through the filter: a square wave switching between 0 and 255 every
// few samples, with Filter 1 (so k stays 255) and with strong filters, on all eight voices.
TEST(SongRender, FullScaleFilterSwingsMatchTheReference) {
  for (const int filtered : {8, 5}) {  // every voice, or five (the vector pass has a way of its own for five)
    Song s;
    ResetSong(s);
    for (int c = 0; c < 8; ++c) {
      Instrument& ins = s.Instruments[c + 1];
      ins.SrcOsc1Amp = 127;
      ins.SrcOsc1Wave = 0xF3;  // square, 16x
      ins.SrcOsc2Amp = 127;
      ins.SrcOsc2Wave = 0xF3;
      ins.DstOsc1Amp = -127;
      ins.DstOsc1Wave = 0xB3;
      ins.Filter = static_cast<uint8_t>(c >= filtered ? 0 : c < 4 ? 1 : 255 - c);
      SetEnvelope(ins.VolEnv, 255, {});
      SetEnvelope(ins.SweepEnv, 0, {{7, 255}});
      ins.NzeEnable = c == 6 && c < filtered;
      ins.NzeLen1 = 255;
      PutNote(s, 0, c, 0, 70 + c * 3, Fx(kEffectInstrument, kEffectVolume), static_cast<uint8_t>(c + 1),
              static_cast<uint8_t>(c % 2 ? 0xFF : 0x9F));
    }
    const auto out = RenderBoth(s, 20000, 0, 1);
    EXPECT_GT(CountNonZero(out), 30000);
  }
}

}  // namespace
}  // namespace kelmar
