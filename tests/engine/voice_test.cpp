#include <gtest/gtest.h>

#include <vector>

#include "engine/headless.h"
#include "engine/stereo_pack.h"
#include "engine/voice_filter.h"
#include "engine_test_util.h"

namespace kelmar {
namespace {

using test::NewEngine;
using test::SetEnvelope;

TEST(TriggerNote, SetsTheVoiceAndComputesEnvelopeSlopes) {
  auto e = NewEngine();
  Instrument& ins = e->song.Instruments[9];
  ins.Filter = 77;
  ins.SrcOsc1Amp = 20;
  SetEnvelope(ins.VolEnv, 10, {{4, 50}, {0, 99}, {3, 20}, {1, 255}});
  SetEnvelope(ins.SweepEnv, 255, {{2, 0}});
  Channel& ch = e->Channels[3];
  ch.Detune = 5;
  ch.ArpOffset = 7;
  ch.NoiseOn = 1;
  ch.ArpStep = 3;
  ch.PMOffset = 100;
  ch.VibOffset = -3;
  ch.VibPhase = 9;
  ch.NzeLen2Count = 4;
  ch.Phase = 12345;
  ch.FilterState = -77;
  ch.LatchedVol = 0x1234;
  ch.LRVolume = 0x3C;
  e->TriggerNote(3, 9, 11, 2, -8, false, false);
  EXPECT_EQ(ch.Semitone, 11);
  EXPECT_EQ(ch.Octave, 2);
  EXPECT_EQ(ch.Instrument, 9);
  EXPECT_EQ(ch.Filter, 77);
  EXPECT_EQ(ch.Detune, 5);  // only a preview sets the detune
  EXPECT_EQ(ch.ArpOffset, 0);
  EXPECT_EQ(ch.NoiseOn, 0);
  EXPECT_EQ(ch.VolEnvState.Value, 10 * 256);
  EXPECT_EQ(ch.VolEnvState.Delta1, 2560);
  EXPECT_EQ(ch.VolEnvState.Delta2, 12544);  // length 0: the undivided difference
  EXPECT_EQ(ch.VolEnvState.Delta3, -6741);  // -20224 / 3 truncates toward zero
  EXPECT_EQ(ch.VolEnvState.Delta4, 60160);
  EXPECT_EQ(ch.VolEnvState.Count1, 4);
  EXPECT_EQ(ch.VolEnvState.Count2, 0);
  EXPECT_EQ(ch.VolEnvState.Count3, 3);
  EXPECT_EQ(ch.SweepEnvState.Value, 65280);
  EXPECT_EQ(ch.SweepEnvState.Delta1, -32640);
  EXPECT_EQ(ch.SweepEnvState.Delta2, 0);
  EXPECT_EQ(ch.ArpStep | ch.VibPhase | ch.NzeLen2Count, 0);
  EXPECT_EQ(ch.PMOffset | ch.VibOffset, 0);
  // Phase, filter, latched values and panning carry over from the previous note.
  EXPECT_EQ(ch.Phase, 12345u);
  EXPECT_EQ(ch.FilterState, -77);
  EXPECT_EQ(ch.LatchedVol, 0x1234);
  EXPECT_EQ(ch.LRVolume, 0x3C);
  EXPECT_EQ(e->WaveTables[9][0], 0);  // the sequencer's trigger does not rebuild

  e->TriggerNote(3, 9, 0, 4, -8, true, true);
  EXPECT_EQ(ch.Detune, -8);
  EXPECT_EQ(e->WaveTables[9][0], 128);  // a preview rebuilds the instrument's wave table
  EXPECT_EQ(e->WaveTables[9][64], e->WaveSample(64, 9, 0, 1, 0));
  e->TriggerNote(8, 9, 0, 4, 0, true, true);  // no such channel: ignored
  e->TriggerNote(255, 9, 0, 4, 0, false, false);
}

TEST(Envelopes, StepHoldAndSweepRestart) {
  auto e = NewEngine();
  Instrument& ins = e->song.Instruments[1];
  SetEnvelope(ins.VolEnv, 10, {{4, 50}, {0, 99}, {3, 20}, {1, 255}});
  SetEnvelope(ins.SweepEnv, 7, {{2, 9}});
  e->TriggerNote(0, 1, 0, 4, 0, false, false);
  const Channel& ch = e->Channels[0];
  std::vector<int> vol, sweep;
  for (int t = 0; t < 10; ++t) {
    e->Tick();
    vol.push_back(ch.VolEnvState.Value);
    sweep.push_back(ch.SweepEnvState.Value);
  }
  // 16-bit wrap-around additions of the low 16 bits, exact values at step ends.
  EXPECT_EQ(vol, (std::vector<int>{5120, 7680, 10240, 12800, 6059, 12800 - 2 * 6741 + 65536, 5120, 65280, 65280, 65280}));
  EXPECT_EQ(sweep, (std::vector<int>{2048, 2304, 1792, 2048, 2304, 1792, 2048, 2304, 1792, 2048}));
  // An all-zero sweep envelope is reset to its start every tick.
  SetEnvelope(ins.SweepEnv, 0, {});
  e->Channels[0].SweepEnvState.Value = 999;
  e->Tick();
  EXPECT_EQ(ch.SweepEnvState.Value, 0);
}

// A voice set up by hand: constant wave table, volume latched, no ticks during the render.
struct HandVoice {
  std::unique_ptr<Engine> e = NewEngine();
  explicit HandVoice(uint8_t waveByte, uint16_t vol = 0x8000, uint8_t lr = 0xFF, int channel = 0) {
    e->WaveTables[1].fill(waveByte);
    e->TickCountdown = 60000;  // keep the sequencer out of the way
    Set(channel, vol, lr);
  }
  void Set(int c, uint16_t vol, uint8_t lr, uint8_t instrument = 1) {
    Channel& ch = e->Channels[c];
    ch.Instrument = instrument;
    ch.VolEnvState.Value = vol;
    ch.LatchedVol = vol;
    ch.LRVolume = lr;
    ch.PhaseInc = 1u << 20;
  }
};

TEST(Voice, UnfilteredSampleVolumeAndPan) {
  HandVoice v(200, 0x8000, 0xF0);
  auto out = RenderFramesHeadless(*v.e, 4);
  // 200 * 257 - 32768 = 18632; 128 * 18632 / 255 = 9352; 9352 * 15 / 128 = 1095.
  EXPECT_EQ(out[0], 1095);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(v.e->Channels[0].Sample, 18632);
  EXPECT_EQ(v.e->Channels[0].FilterState, 18632);
  HandVoice n(10, 0x8000, 0x0F);
  out = RenderFramesHeadless(*n.e, 1);
  // 2570 - 32768 = -30198; 128 * -30198 / 255 = -15158; * 15 / 128 = -1776 (toward zero).
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], -1776);
  HandVoice z(255, 0xFF00, 0x00);
  out = RenderFramesHeadless(*z.e, 8);
  for (int16_t s : out) EXPECT_EQ(s, 0);
  EXPECT_EQ(z.e->Channels[0].Phase, 8u << 20);  // silenced by panning, but it runs
  HandVoice mid(128, 0xFF00, 0x84);  // 128 * 257 - 32768 = 128
  out = RenderFramesHeadless(*mid.e, 1);
  EXPECT_EQ(out[0], 128 * 8 / 128);
  EXPECT_EQ(out[1], 128 * 4 / 128);
}

TEST(Voice, OutputTableIsVolumeThenPanForEveryLevelPanAndByte) {
  int32_t table[256];
  int wrong = 0;
  for (uint32_t level = 0; level <= 255; ++level) {
    for (int lr = 0; lr <= 255; ++lr) {
      FillOutputTable(level, static_cast<uint8_t>(lr), table);
      for (int b = 0; b < 256; ++b) {
        const int v = static_cast<int>(level) * (b * 257 - 32768) / 255;
        wrong += table[b] != Pack(v * (lr >> 4) / 128, v * (lr & 15) / 128);
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(Voice, MixBoundsOfEightFullScaleVoices) {
  for (uint8_t b : {uint8_t{255}, uint8_t{0}}) {
    HandVoice v(b, 0xFF00, 0xFF);
    for (int c = 1; c < 8; ++c) v.Set(c, 0xFF00, 0xFF);
    auto out = RenderFramesHeadless(*v.e, 16);
    for (int16_t s : out) ASSERT_EQ(s, b == 255 ? 30712 : -30720);
  }
}

TEST(Voice, LastChannelLimitsTheVoicesRendered) {
  HandVoice v(255, 0xFF00, 0xFF);
  for (int c = 1; c < 8; ++c) v.Set(c, 0xFF00, 0xFF);
  v.e->LastChannel = 2;
  auto out = RenderFramesHeadless(*v.e, 2);
  EXPECT_EQ(out[0], 3 * 3839);
  EXPECT_EQ(v.e->Channels[3].Phase, 0u);
  v.e->LastChannel = 200;  // out of range: all eight
  out = RenderFramesHeadless(*v.e, 1);
  EXPECT_EQ(out[0], 30712);
}

TEST(Voice, SilentVoiceStandsStill) {
  HandVoice v(255, 0xFF00);
  v.e->Channels[0].VolEnvState.Value = 0;
  auto out = RenderFramesHeadless(*v.e, 100);
  for (int16_t s : out) ASSERT_EQ(s, 0);
  EXPECT_EQ(v.e->Channels[0].Phase, 0u);
  EXPECT_EQ(v.e->Channels[0].PrevPhasePos, 0);
}

TEST(Voice, EnvelopesLatchOnlyAtCycleStart) {
  HandVoice v(255, 0x2000, 0xFF);
  Channel& ch = v.e->Channels[0];
  ch.VolEnvState.Value = 0xFF00;  // a new note's level, not yet latched
  ch.SweepEnvState.Value = 0x8000;
  auto out = RenderFramesHeadless(*v.e, 20);
  // 16 frames per cycle: phase reaches 2^24 (PhasePos bit 15 falls) on the 16th frame.
  const int oldLeft = (0x20 * 32767 / 255) * 15 / 128;
  for (int i = 0; i < 15; ++i) ASSERT_EQ(out[2 * i], oldLeft) << i;
  EXPECT_EQ(out[2 * 15], 3839);
  EXPECT_EQ(ch.LatchedVol, 0xFF00);
  EXPECT_EQ(ch.LatchedSweep, 0x8000);
  // A voice at frequency 0 never latches.
  HandVoice still(255, 0x2000, 0xFF);
  still.e->Channels[0].PhaseInc = 0;
  still.e->Channels[0].VolEnvState.Value = 0xFF00;
  out = RenderFramesHeadless(*still.e, 1000);
  EXPECT_EQ(still.e->Channels[0].LatchedVol, 0x2000);
  EXPECT_EQ(out[1998], oldLeft);
}

TEST(Voice, MorphSelectsTheHalfByLatchedSweep) {
  HandVoice v(0, 0xFF00, 0xF0);
  auto& table = v.e->WaveTables[1];
  for (int i = 0; i < 512; ++i) table[i] = static_cast<uint8_t>(i < 256 ? 128 : 255);
  Channel& ch = v.e->Channels[0];
  ch.LatchedSweep = 0x8000;  // column 128: positions 0..127 source, 128..255 destination
  ch.SweepEnvState.Value = 0x8000;
  ch.PhaseInc = 1u << 16;  // 256 frames per cycle, one position per frame
  auto out = RenderFramesHeadless(*v.e, 256);
  EXPECT_EQ(out[2 * 126], 128 * 15 / 128);  // position 127 (PhasePos after the add)
  EXPECT_EQ(out[2 * 127], 3839);            // position 128
}

TEST(Voice, OnePoleFilterAndNoise) {
  HandVoice v(200, 0xFF00, 0xFF);
  Channel& ch = v.e->Channels[0];
  ch.Filter = 255;  // k = 255 - (0xFF00 * 255 >> 16) = 1
  auto out = RenderFramesHeadless(*v.e, 2);
  EXPECT_EQ(ch.FilterState, 73 + 72);  // 18632 / 255 = 73; (18632 - 73) / 255 = 72
  EXPECT_EQ(out[0], 73 * 15 / 128);
  EXPECT_EQ(out[2], 145 * 15 / 128);
  // Filter toward a negative sample truncates toward zero as well.
  HandVoice n(0, 0x8000, 0xFF);
  n.e->Channels[0].Filter = 200;  // k = 255 - (0x8000 * 200 >> 16) = 155
  n.e->Channels[0].FilterState = 1000;
  RenderFramesHeadless(*n.e, 1);
  EXPECT_EQ(n.e->Channels[0].FilterState, 1000 + (-32768 - 1000) * 155 / 255);
  // Noise replaces the wave, read at (Phase >> 20) mod 4096.
  HandVoice z(200, 0xFF00, 0xF0);
  z.e->Channels[0].NoiseOn = 1;
  out = RenderFramesHeadless(*z.e, 3);
  EXPECT_EQ(z.e->Channels[0].Sample, Tables().NoiseTable[3]);
  EXPECT_EQ(out[0], Tables().NoiseTable[1] * 15 / 128);
  EXPECT_EQ(out[2], Tables().NoiseTable[2] * 15 / 128);
}

TEST(Renderer, TickEvery882FramesWhateverTheBufferSize) {
  for (uint16_t buffer : {512, 1024, 2048, 4096}) {
    auto e = NewEngine();
    e->song.Speed = 1;  // one row per tick, so Row counts the ticks
    e->BufferSize = buffer;
    e->StartPlayback(0, 0, 0);
    std::vector<uint8_t> bytes(4 * buffer);
    int frames = 0;
    while (frames < 882 * 12) {
      e->RenderBuffer(bytes.data());
      frames += buffer;
    }
    const int expected = (frames + 881) / 882;  // ticks at frames 0, 882, 1764, ...
    EXPECT_EQ(e->Row, expected % 32) << buffer;
    EXPECT_EQ(e->TickDone, 1);
    EXPECT_EQ(e->TickCountdown, (882 - frames % 882) % 882) << buffer;
  }
}

TEST(Renderer, FirstFrameRunsATickAndBufferBytesAreLittleEndian) {
  auto a = NewEngine();
  auto b = NewEngine();
  for (auto* e : {a.get(), b.get()}) {
    e->song.Instruments[1] = test::Tone(0x21, 90, 200);
    test::PutNote(e->song, 0, 0, 0, 40, test::Fx(kEffectInstrument), 1);
    e->StartPlayback(0, 0, 0);
    e->BufferSize = 1024;
  }
  std::vector<uint8_t> bytes(4 * 1024);
  a->RenderBuffer(bytes.data());
  auto frames = RenderFramesHeadless(*b, 1024);
  for (int i = 0; i < 2048; ++i)
    ASSERT_EQ(bytes[2 * i] | (bytes[2 * i + 1] << 8), static_cast<uint16_t>(frames[i])) << i;
  // Silent until the first cycle start latches the envelope (latched values start at 0).
  EXPECT_EQ(frames[2], 0);
  int nonZero = 0;
  for (int16_t s : frames) nonZero += s != 0;
  EXPECT_GT(nonZero, 1000);
  EXPECT_EQ(a->TickCountdown, 882 - 1024 % 882);
}

TEST(Renderer, StemsSumExactlyToTheMix) {
  auto e = NewEngine();
  for (int c = 0; c < 8; ++c) {
    e->song.Instruments[c + 1] = test::Tone(static_cast<uint8_t>(c * 0x21), static_cast<int8_t>(40 + 10 * c));
    e->song.Instruments[c + 1].Filter = static_cast<uint8_t>(c * 30);
    test::PutNote(e->song, 0, c, 0, 30 + 5 * c, test::Fx(kEffectInstrument, kEffectVolume), static_cast<uint8_t>(c + 1),
                  static_cast<uint8_t>(0x1F + c * 0x20));
  }
  e->song.Instruments[3].NzeEnable = 1;
  e->song.Instruments[3].NzeLen1 = 255;
  e->StartPlayback(0, 0, 0);
  const int frames = 3000;
  std::vector<int16_t> mix(2 * frames);
  std::vector<std::vector<int16_t>> stems(8, std::vector<int16_t>(2 * frames, 99));
  int16_t* ptrs[8];
  for (int c = 0; c < 8; ++c) ptrs[c] = c == 5 ? nullptr : stems[c].data();
  e->RenderFrames(mix.data(), frames, ptrs);
  // Channel 5's stem was not asked for; render the same again with it to get every stem.
  auto f = NewEngine();
  f->song = e->song;
  f->StartPlayback(0, 0, 0);
  std::vector<int16_t> mix2(2 * frames);
  for (int c = 0; c < 8; ++c) ptrs[c] = stems[c].data();
  f->RenderFrames(mix2.data(), frames, ptrs);
  EXPECT_EQ(mix, mix2);
  auto g = NewEngine();  // and without stems, through the other filter paths
  g->song = e->song;
  g->StartPlayback(0, 0, 0);
  EXPECT_EQ(RenderFramesHeadless(*g, frames), mix);
  int nonZero = 0;
  for (int i = 0; i < 2 * frames; ++i) {
    int sum = 0;
    for (int c = 0; c < 8; ++c) sum += stems[c][i];
    ASSERT_EQ(sum, mix[i]) << i;
    nonZero += mix[i] != 0;
  }
  EXPECT_GT(nonZero, frames);

  // The live output leaves muted channels out; they run on unheard and return in step.
  auto h = NewEngine();
  h->song = e->song;
  h->StartPlayback(0, 0, 0);
  h->BufferSize = frames;
  const uint8_t muted = 0x29;  // channels 0, 3 (noise) and 5
  std::vector<uint8_t> live(4 * frames);
  h->RenderBuffer(live.data(), muted);
  for (int i = 0; i < 2 * frames; ++i) {
    int heard = 0;
    for (int c = 0; c < 8; ++c) heard += (muted >> c & 1) ? 0 : stems[c][i];
    ASSERT_EQ(static_cast<int16_t>(live[2 * i] | live[2 * i + 1] << 8), heard) << i;
  }
  h->BufferSize = f->BufferSize = 500;
  std::vector<uint8_t> after(2000), expected(2000);
  h->RenderBuffer(after.data());
  f->RenderBuffer(expected.data());
  EXPECT_EQ(after, expected);
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

TEST(Voice, AllZeroVolumeEnvelopeStaysSilentAndStill) {
  auto e = test::NewEngine();
  e->song.Instruments[4].SrcOsc1Amp = 127;  // a loud wave, but a volume envelope of zeros
  e->TriggerNote(1, 4, 0, 4, 0, true, true);
  auto out = RenderFramesHeadless(*e, 5000);
  for (int16_t s : out) ASSERT_EQ(s, 0);
  EXPECT_EQ(e->Channels[1].Phase, 0u);
  EXPECT_NE(e->Channels[1].PhaseInc, 0u);
}

TEST(Renderer, OversizedBufferAndZeroTickLengthStayInBounds) {
  auto e = test::NewEngine();
  e->BufferSize = 5000;  // never offered: rendered as the largest buffer any caller has
  std::vector<uint8_t> bytes(4 * 5000, 0xEE);
  e->RenderBuffer(bytes.data());
  EXPECT_EQ(bytes[4 * 4096 - 1], 0);
  EXPECT_EQ(bytes[4 * 4096], 0xEE);
  e->SamplesPerTick = 0;  // never computed by the engine; must not stall the renderer
  e->TickCountdown = 0;
  auto out = RenderFramesHeadless(*e, 10);
  EXPECT_EQ(e->TickCountdown, 65535 - 9);
}

}  // namespace
}  // namespace kelmar
