#include <gtest/gtest.h>

#include "engine/headless.h"
#include "engine/tables.h"
#include "engine_test_util.h"

namespace kelmar {
namespace {

TEST(FixedTables, SineHasPeriod511AndRange1To255) {
  const auto& sine = Tables().SineTable;
  EXPECT_EQ(sine[0], 128);
  EXPECT_EQ(sine[511], 128);
  const uint8_t first[8] = {128, 130, 131, 133, 134, 136, 137, 139};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(sine[i], first[i]) << i;
  EXPECT_EQ(sine[127], 255);
  EXPECT_EQ(sine[128], 255);
  EXPECT_EQ(sine[383], 1);
  int lo = 255, hi = 0;
  for (uint8_t v : sine) lo = std::min<int>(lo, v), hi = std::max<int>(hi, v);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 255);
  // The whole table, fingerprinted.
  EXPECT_EQ(Fnv1a64(sine.data(), sine.size()), 0x0d8309472aa07f4dull);
}

TEST(FixedTables, NoiseIsTheGeneratorSeededWithOne) {
  const auto& noise = Tables().NoiseTable;
  EXPECT_EQ(noise[0], -29683);  // high half of 65537 * 134775813 + 1
  EXPECT_EQ(noise[1], 1158);
  EXPECT_EQ(noise[2], -8103);
  EXPECT_EQ(noise[3], 6223);
  EXPECT_EQ(noise[4], 3110);
  Random r;
  r.Seed(1);
  EXPECT_EQ(r.State(), 65537u);
  for (int k = 0; k < 4096; ++k) ASSERT_EQ(noise[k], static_cast<int16_t>(r.Draw(65536))) << k;
  // An engine's own generator is left where the table's draws end.
  auto e = test::NewEngine();
  EXPECT_EQ(e->random.State(), 522366977u);
}

TEST(RandomGenerator, DrawScalesTheNewStateIntoTheRange) {
  Random r;
  r.Seed(7);
  EXPECT_EQ(r.State(), 7u * 65537u);
  const uint32_t next = 7u * 65537u * 134775813u + 1u;
  EXPECT_EQ(r.Draw(10), static_cast<uint32_t>((static_cast<uint64_t>(next) * 10) >> 32));
  EXPECT_EQ(r.State(), next);
  EXPECT_EQ(r.Draw(1), 0u);
}

TEST(FixedTables, MorphColumn128AndTheEdgeColumns) {
  const auto& m = Tables().MorphTable;
  EXPECT_EQ(m[0][128], 0);
  EXPECT_EQ(m[1][128], 2);
  EXPECT_EQ(m[127][128], 254);
  EXPECT_EQ(m[128][128], 257);
  EXPECT_EQ(m[129][128], 259);
  EXPECT_EQ(m[255][128], 510);
  for (int j = 0; j < 256; ++j) {
    EXPECT_EQ(m[j][0], j);                      // column 0: the source cycle unchanged
    EXPECT_EQ(m[j][255], j == 0 ? 0 : 256 + j);  // column 255: source 0, then destination 1..255
  }
  for (int c = 0; c < 256; ++c)
    for (int j = 0; j < 256; ++j) {
      ASSERT_LE(m[j][c], 511);
      ASSERT_EQ(Tables().MorphByColumn[c][j], m[j][c]);
      // The source half covers exactly the first 256 - c positions.
      ASSERT_EQ(m[j][c] >= 256, j > 255 - c) << j << " " << c;
    }
}

TEST(FixedTables, VibTableValues) {
  const int16_t quarter[17] = {0, 24, 49, 74, 97, 120, 141, 161, 180, 197, 212, 224, 235, 244, 250, 253, 255};
  const auto& vib = Tables().VibTable;
  for (int k = 0; k <= 16; ++k) EXPECT_EQ(vib[k], quarter[k]) << k;
  for (int k = 1; k <= 16; ++k) EXPECT_EQ(vib[16 + k], quarter[16 - k]) << k;
  for (int k = 0; k < 32; ++k) EXPECT_EQ(vib[32 + k], -vib[k]) << k;
  EXPECT_EQ(vib[48], -255);
}

TEST(FixedTables, NoteTable) {
  const uint8_t expected[12] = {6, 21, 38, 55, 74, 93, 114, 136, 159, 184, 210, 238};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(NoteTable[i], expected[i]);
}

TEST(FreqTable, PerSampleRate) {
  auto e = test::NewEngine();
  EXPECT_EQ(e->FreqTable[0], 0u);
  EXPECT_EQ(e->FreqTable[256], 97391u);  // floor(256 * 2^24 / 44100)
  EXPECT_EQ(e->FreqTable[4095], static_cast<uint32_t>((4095ull << 24) / 44100));
  const auto noiseBefore = Tables().NoiseTable;
  for (uint16_t rate : {22050, 32000, 48000}) {
    e->SampleRate = rate;
    e->BuildFreqTable();
    EXPECT_EQ(e->FreqTable[0], 0u);
    for (uint32_t i : {1u, 262u, 4088u}) EXPECT_EQ(e->FreqTable[i], static_cast<uint32_t>((uint64_t{i} << 24) / rate));
  }
  EXPECT_EQ(Tables().NoiseTable, noiseBefore);
  e->SampleRate = 0;  // never offered, but must not divide by zero
  e->BuildFreqTable();
  EXPECT_EQ(e->FreqTable[256], 0u);
}

TEST(FreqTable, SamplesPerTick) {
  auto e = test::NewEngine();
  EXPECT_EQ(e->SamplesPerTickFor(50), 882);
  EXPECT_EQ(e->SamplesPerTickFor(0), 882);  // tempo 0 counts as the default 50
  EXPECT_EQ(e->SamplesPerTickFor(100), 441);
  EXPECT_EQ(e->SamplesPerTickFor(255), 172);
  e->SampleRate = 22050;
  EXPECT_EQ(e->SamplesPerTickFor(255), 86);
  e->SampleRate = 0;
  EXPECT_EQ(e->SamplesPerTickFor(50), 1);
}

}  // namespace
}  // namespace kelmar
