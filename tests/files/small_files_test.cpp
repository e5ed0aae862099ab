// Instrument, pattern and waveform files: exact layouts, the loaders' refusals (which
// change nothing), and where loaded bytes land.
#include <gtest/gtest.h>

#include <cstring>

#include "files/instrument_file.h"
#include "files/legacy_instrument.h"
#include "files/pattern_file.h"
#include "files/waveform_file.h"
#include "files_test_util.h"

namespace kelmar {
namespace {

using testing::Bytes;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

Instrument Sample(uint8_t seed) {
  Instrument ins;
  for (size_t k = 0; k < sizeof ins; ++k) ins.bytes()[k] = static_cast<uint8_t>(seed + 3 * k);
  return ins;
}

bool Same(const Instrument& a, const Instrument& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(InstrumentFile, LayoutByMode) {
  const Instrument ins = Sample(1);
  for (uint8_t mode : {0, 1, 7}) {
    std::vector<uint8_t> f = EncodeInstrumentFile(ins, mode);
    ASSERT_EQ(f.size(), 128u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 8), mode ? "KELMARI1" : "KELMARI2");
    EXPECT_EQ(std::memcmp(f.data() + 8, &ins, 48), 0);
    for (int k = 0; k < 72; ++k) EXPECT_EQ(f[56 + k], k);
  }
}

TEST(InstrumentFile, RoundTripCarriesTheMode) {
  ScratchDir dir;
  ASSERT_TRUE(SaveInstrumentFile(dir.File("a.kli"), Sample(9), 1).ok());
  EXPECT_EQ(ReadAll(dir.File("a.kli")).size(), 128u);
  Instrument loaded = Sample(0);
  uint8_t mode = 0;
  ASSERT_TRUE(LoadInstrumentFile(dir.File("a.kli"), loaded, mode).ok());
  EXPECT_TRUE(Same(loaded, Sample(9)));
  EXPECT_EQ(mode, 1);
  ASSERT_TRUE(SaveInstrumentFile(dir.File("b.kli"), Sample(4), 0).ok());
  ASSERT_TRUE(LoadInstrumentFile(dir.File("b.kli"), loaded, mode).ok());
  EXPECT_EQ(mode, 0);
  EXPECT_TRUE(Same(loaded, Sample(4)));
}

TEST(InstrumentFile, LegacyRecordIgnoresTheRest) {
  std::vector<uint8_t> f = Bytes("KELMARI0");
  for (int k = 0; k < 120; ++k) f.push_back(static_cast<uint8_t>(0x30 + k));
  Instrument loaded = Sample(0);
  uint8_t mode = 0;
  ASSERT_TRUE(DecodeInstrumentFile(f.data(), f.size(), loaded, mode).ok());
  EXPECT_EQ(mode, 1);
  EXPECT_TRUE(Same(loaded, ConvertLegacyRecord(f.data() + 8)));
  for (size_t k = 52; k < 128; ++k) f[k] = 0xEE;  // bytes 52..127 have no effect
  Instrument again = Sample(0);
  ASSERT_TRUE(DecodeInstrumentFile(f.data(), f.size(), again, mode).ok());
  EXPECT_TRUE(Same(loaded, again));
}

TEST(InstrumentFile, WrongSizeOrMagicChangesNothing) {
  std::vector<uint8_t> good = EncodeInstrumentFile(Sample(2), 1);
  std::vector<uint8_t> shortFile(good.begin(), good.end() - 1);
  std::vector<uint8_t> longFile = good;
  longFile.push_back(0);
  std::vector<uint8_t> otherMagic = good;
  otherMagic[7] = '3';
  for (const auto& f : {shortFile, longFile, otherMagic, std::vector<uint8_t>{}}) {
    Instrument ins = Sample(5);
    uint8_t mode = 0;
    FileError e = DecodeInstrumentFile(f.data(), f.size(), ins, mode);
    EXPECT_EQ(e.message(), "No Kelmar Instrument");
    EXPECT_TRUE(Same(ins, Sample(5)));
    EXPECT_EQ(mode, 0);
  }
  ScratchDir dir;
  WriteAll(dir.File("long.kli"), longFile);
  Instrument ins = Sample(5);
  uint8_t mode = 0;
  EXPECT_EQ(LoadInstrumentFile(dir.File("long.kli"), ins, mode).message(), "No Kelmar Instrument");
  EXPECT_EQ(LoadInstrumentFile(dir.File("none.kli"), ins, mode).message(), "File not found");
}

Pattern SamplePattern(uint8_t seed) {
  Pattern p;
  uint8_t* b = reinterpret_cast<uint8_t*>(&p);
  for (size_t k = 0; k < sizeof p; ++k) b[k] = static_cast<uint8_t>(seed ^ (k * 7));
  return p;
}

bool Same(const Pattern& a, const Pattern& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(PatternFile, LayoutAndRoundTrip) {
  const Pattern p = SamplePattern(3);
  std::vector<uint8_t> f = EncodePatternFile(p);
  ASSERT_EQ(f.size(), 1032u);
  EXPECT_EQ(std::string(f.begin(), f.begin() + 8), "KELMARP0");
  EXPECT_EQ(f[8 + 5 * 128 + 3 * 4 + 2], p[5][3].Param1);  // track x 128 + row x 4
  ScratchDir dir;
  ASSERT_TRUE(SavePatternFile(dir.File("p.klp"), p).ok());
  EXPECT_EQ(ReadAll(dir.File("p.klp")), f);
  f.resize(5000, 0xAB);  // bytes after the pattern are ignored
  WriteAll(dir.File("long.klp"), f);
  Pattern loaded = SamplePattern(0);
  ASSERT_TRUE(LoadPatternFile(dir.File("long.klp"), loaded).ok());
  EXPECT_TRUE(Same(loaded, p));
}

TEST(PatternFile, ShortOrForeignFilesChangeNothing) {
  std::vector<uint8_t> good = EncodePatternFile(SamplePattern(6));
  std::vector<uint8_t> cut(good.begin(), good.end() - 1);
  std::vector<uint8_t> magicOnly(good.begin(), good.begin() + 8);
  std::vector<uint8_t> tiny(good.begin(), good.begin() + 5);
  std::vector<uint8_t> foreign = good;
  foreign[0] = 'k';
  const std::pair<std::vector<uint8_t>, const char*> cases[] = {
      {cut, "Read beyond end of file"},
      {magicOnly, "Read beyond end of file"},
      {tiny, "Read beyond end of file"},
      {foreign, "No Kelmar Pattern"},
  };
  ScratchDir dir;
  for (const auto& [file, message] : cases) {
    WriteAll(dir.File("x.klp"), file);
    Pattern p = SamplePattern(1);
    EXPECT_EQ(LoadPatternFile(dir.File("x.klp"), p).message(), message) << file.size();
    EXPECT_TRUE(Same(p, SamplePattern(1)));
  }
}

TEST(WaveformFile, HeaderIsAPlainBitmap) {
  std::vector<uint8_t> f = EncodeWaveformFile(Sample(1), 0);
  ASSERT_EQ(f.size(), 2136u);
  const uint8_t header[62] = {'B', 'M', 0x3E, 0x08, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,  // file header
                              40, 0, 0, 0, 128, 0, 0, 0, 128, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0,
                              0, 0x08, 0, 0, 0xC4, 0x0E, 0, 0, 0xC4, 0x0E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              0x22, 0x22, 0x22, 0, 0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(std::memcmp(f.data(), header, 62), 0);
  for (size_t k = 62; k < 2110; ++k) ASSERT_EQ(f[k], 0) << k;
  EXPECT_EQ(std::string(f.begin() + 2110, f.begin() + 2118), "KELMARW0");
  const Instrument ins = Sample(1);
  EXPECT_EQ(std::memcmp(f.data() + 2118, ins.bytes() + 1, 18), 0);
  std::vector<uint8_t> g = EncodeWaveformFile(ins, 1);
  EXPECT_EQ(std::memcmp(g.data() + 2118, ins.bytes() + 5, 18), 0);
}

TEST(WaveformFile, PairZeroLoadedIntoPairOneMovesByFourBytes) {
  const Instrument source = Sample(10);
  std::vector<uint8_t> f = EncodeWaveformFile(source, 0);
  Instrument target = Sample(100);
  ASSERT_TRUE(DecodeWaveformFile(f.data(), f.size(), 1, target).ok());
  const Instrument before = Sample(100);
  EXPECT_EQ(std::memcmp(target.bytes() + 5, source.bytes() + 1, 18), 0);  // through SweepEnv.Start
  EXPECT_EQ(std::memcmp(target.bytes(), before.bytes(), 5), 0);
  EXPECT_EQ(std::memcmp(target.bytes() + 23, before.bytes() + 23, 25), 0);
  EXPECT_EQ(target.SweepEnv.Start, source.bytes()[18]);
}

TEST(WaveformFile, AnythingBeforeTheMarkerLoads) {
  std::vector<uint8_t> f(2136, 0x5A);
  std::memcpy(f.data() + 2110, "KELMARW0", 8);
  Instrument target = Sample(0);
  ASSERT_TRUE(DecodeWaveformFile(f.data(), f.size(), 0, target).ok());
  for (int k = 1; k <= 18; ++k) EXPECT_EQ(target.bytes()[k], 0x5A);
  EXPECT_EQ(target.bytes()[0], Sample(0).bytes()[0]);
  EXPECT_EQ(target.bytes()[19], Sample(0).bytes()[19]);
}

TEST(WaveformFile, RefusalsChangeNothing) {
  std::vector<uint8_t> good = EncodeWaveformFile(Sample(3), 1);
  std::vector<uint8_t> small(good.begin(), good.end() - 1);
  std::vector<uint8_t> big = good;
  big.push_back(0);
  std::vector<uint8_t> marker = good;
  marker[2117] = '1';
  ScratchDir dir;
  for (const auto& f : {small, big, marker}) {
    WriteAll(dir.File("w.bmp"), f);
    Instrument target = Sample(50);
    EXPECT_EQ(LoadWaveformFile(dir.File("w.bmp"), 1, target).message(), "No Kelmar Waveform");
    EXPECT_TRUE(Same(target, Sample(50)));
  }
  Instrument target = Sample(50);
  EXPECT_FALSE(DecodeWaveformFile(good.data(), good.size(), 2, target).ok());  // no third pair
  EXPECT_FALSE(DecodeWaveformFile(good.data(), good.size(), -1, target).ok());
  EXPECT_TRUE(Same(target, Sample(50)));
  ASSERT_TRUE(SaveWaveformFile(dir.File("ok.bmp"), Sample(3), 1).ok());
  EXPECT_EQ(ReadAll(dir.File("ok.bmp")), good);
}

}  // namespace
}  // namespace kelmar
