#include <gtest/gtest.h>

#include <cstring>

#include "engine/headless.h"
#include "engine_test_util.h"

namespace kelmar {
namespace {

class WaveSynth : public ::testing::Test {
 protected:
  std::unique_ptr<Engine> e = test::NewEngine();
  Instrument& ins = e->song.Instruments[5];
  void ExpectPair(int pair, std::initializer_list<std::pair<int, int>> phaseValue, uint8_t first = 1, uint8_t last = 0) {
    for (auto [phase, value] : phaseValue)
      EXPECT_EQ(e->WaveSample(static_cast<uint8_t>(phase), 5, pair, first, last), value) << "phase " << phase;
  }
};

TEST_F(WaveSynth, AllZeroInstrumentIsSilentInTheNewModelAndZeroInTheOld) {
  for (int p = 0; p < 256; ++p) ASSERT_EQ(e->WaveSample(static_cast<uint8_t>(p), 5, 0, 1, 0), 128);
  e->song.SynthMode[5] = 1;
  for (int p = 0; p < 256; ++p) ASSERT_EQ(e->WaveSample(static_cast<uint8_t>(p), 5, 1, 1, 0), 0);
}

TEST_F(WaveSynth, NewModelShapesAmplitudesAndTruncation) {
  ins.SrcOsc1Amp = -9;  // complemented sine
  ins.SrcOsc1Wave = 0x00;
  ExpectPair(0, {{0, 128}, {64, 77}, {100, 60}, {200, 83}, {255, 127}});
  ins.SrcOsc1Amp = 13;  // cosine, 3x
  ins.SrcOsc1Wave = 0x21;
  ExpectPair(0, {{0, 231}, {33, 163}, {77, 30}, {150, 202}, {255, 25}});
  ins.SrcOsc1Amp = 11;  // saw, triangle amplitude
  ins.SrcOsc1Wave = 0x0E;
  ExpectPair(0, {{0, 128}, {64, 95}, {127, 85}, {128, 84}, {200, 120}, {255, 128}});
  ins.SrcOsc1Amp = -7;  // square 2x, falling ramp
  ins.SrcOsc1Wave = 0x1B;
  ExpectPair(0, {{0, 183}, {10, 180}, {100, 161}, {200, 116}, {255, 128}});
  ins.SrcOsc1Amp = 15;  // sine 5x, rising ramp
  ins.SrcOsc1Wave = 0x44;
  ExpectPair(0, {{0, 128}, {10, 130}, {100, 123}, {200, 103}, {255, 134}});
}

TEST_F(WaveSynth, NewModelOscillatorSelection) {
  ins.DstOsc1Amp = 6;
  ins.DstOsc1Wave = 0x21;
  ins.DstOsc2Amp = -5;
  ins.DstOsc2Wave = 0x36;
  ExpectPair(1, {{0, 175}, {33, 146}, {77, 81}, {150, 176}, {255, 42}});
  ExpectPair(1, {{0, 175}, {33, 144}, {77, 83}, {150, 162}, {255, 81}}, 0, 0);
  ExpectPair(1, {{0, 128}, {33, 130}, {77, 126}, {150, 142}, {255, 89}}, 1, 1);
  ExpectPair(1, {{0, 128}, {150, 128}}, 0, 1);  // last above first: nothing summed
  ExpectPair(0, {{0, 128}, {150, 128}});        // the source pair is untouched
}

TEST_F(WaveSynth, NewModelEdgeCases) {
  // Amplitude -127 complements, -128 silences.
  ins.SrcOsc1Wave = 0x00;
  for (int p = 0; p < 256; ++p) {
    ins.SrcOsc1Amp = 16;
    const int plus = e->WaveSample(static_cast<uint8_t>(p), 5, 0, 1, 0) - 128;  // = s
    ins.SrcOsc1Amp = -16;
    ASSERT_EQ(e->WaveSample(static_cast<uint8_t>(p), 5, 0, 1, 0) - 128, -plus - 1) << p;
    ins.SrcOsc1Amp = -128;
    ASSERT_EQ(e->WaveSample(static_cast<uint8_t>(p), 5, 0, 1, 0), 128) << p;
  }
  // Two full-amplitude sines clip before the final + 128.
  ins.SrcOsc1Amp = ins.SrcOsc2Amp = 127;
  ins.SrcOsc1Wave = ins.SrcOsc2Wave = 0x10;
  ExpectPair(0, {{64, 255}, {192, 0}, {0, 128}});
  // Multiplier 16 with the saw: 8 ramps across the table.
  ins.SrcOsc2Amp = 0;
  ins.SrcOsc1Amp = 16;
  ins.SrcOsc1Wave = 0xF2;
  for (int p = 0; p < 256; ++p) ASSERT_EQ(e->WaveSample(static_cast<uint8_t>(p), 5, 0, 1, 0), (p * 8) % 256) << p;
  // Square: low for the first half period, high for the second.
  ins.SrcOsc1Wave = 0x13;
  ExpectPair(0, {{0, 0}, {127, 0}, {128, 255}, {255, 255}});
  // Rising ramp truncates toward zero: -128 * 128 / 255 is -64, not -65.
  ins.SrcOsc1Wave = 0x07;
  ExpectPair(0, {{0, 128}, {128, 64}, {255, 0}});
}

TEST_F(WaveSynth, OldModel) {
  e->song.SynthMode[5] = 1;
  // Ramp rate 0 and inversion point 100.
  ins.SrcOsc2Wave = 0;
  ins.SrcOsc1Wave = 0;
  ins.SrcOsc2Amp = 100;
  for (int p = 0; p < 256; ++p) ASSERT_EQ(e->WaveSample(static_cast<uint8_t>(p), 5, 0, 1, 0), p < 100 ? 255 : 0) << p;
  // One ramp across the table at rate 64; the oscillator bounds are ignored.
  ins.SrcOsc2Amp = 0;
  ins.SrcOsc1Amp = 64;
  ExpectPair(0, {{0, 0}, {1, 1}, {128, 128}, {255, 255}}, 0, 1);
  // Bytes are read unsigned: 100 / 37 / 50 / 3 and 23 / 0 / 200 / 7.
  const uint8_t bend[4] = {100, 37, 50, 3};
  std::memcpy(ins.bytes() + 5, bend, 4);
  ExpectPair(1, {{0, 0}, {10, 0}, {49, 209}, {50, 38}, {128, 251}, {255, 35}});
  const uint8_t gain[4] = {23, 0, 200, 7};
  std::memcpy(ins.bytes() + 5, gain, 4);
  ExpectPair(1, {{0, 255}, {49, 255}, {128, 244}, {199, 208}, {200, 47}, {255, 75}});
  e->song.SynthMode[5] = 2;  // any non-zero mode byte selects the old model
  ExpectPair(1, {{200, 47}});
}

TEST_F(WaveSynth, BuildWaveTableFillsBothHalves) {
  ins.SrcOsc1Amp = 13;
  ins.SrcOsc1Wave = 0x21;
  ins.DstOsc1Amp = 6;
  ins.DstOsc1Wave = 0x21;
  ins.DstOsc2Amp = -5;
  ins.DstOsc2Wave = 0x36;
  e->BuildWaveTable(5);
  const auto& t = e->WaveTables[5];
  EXPECT_EQ(t[0], 231);
  EXPECT_EQ(t[77], 30);
  EXPECT_EQ(t[256 + 150], 176);
  EXPECT_EQ(t[256 + 255], 42);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(e->WaveTables[4][i], 0);  // others untouched
  e->BuildAllWaveTables();
  for (int i = 0; i < 512; ++i) ASSERT_EQ(e->WaveTables[4][i], 128);
}

}  // namespace
}  // namespace kelmar

namespace kelmar {
namespace {

// The table builder decodes each pair once; it must give WaveSample's values everywhere.
TEST(WaveSynthTables, BuildWaveTableAgreesWithWaveSampleForArbitraryBytes) {
  auto e = test::NewEngine();
  Random r;
  r.Seed(99);
  for (int i = 0; i < kInstrumentCount; ++i) {
    uint8_t* b = e->song.Instruments[i].bytes();
    for (int k = 0; k < 48; ++k) b[k] = static_cast<uint8_t>(r.Draw(256));
    if (i % 5 == 0) b[1 + r.Draw(8)] = 0x80;  // amplitude -128 somewhere
    e->song.SynthMode[i] = static_cast<uint8_t>(i % 3 == 0 ? r.Draw(256) : 0);
  }
  e->BuildAllWaveTables();
  for (int i = 0; i < kInstrumentCount; ++i)
    for (int j = 0; j < 256; ++j) {
      ASSERT_EQ(e->WaveTables[i][j], e->WaveSample(static_cast<uint8_t>(j), static_cast<uint8_t>(i), 0, 1, 0)) << i;
      ASSERT_EQ(e->WaveTables[i][256 + j], e->WaveSample(static_cast<uint8_t>(j), static_cast<uint8_t>(i), 1, 1, 0)) << i;
    }
}

}  // namespace
}  // namespace kelmar
