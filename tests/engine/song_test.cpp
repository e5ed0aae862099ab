#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>

#include "engine/song.h"
#include "engine_test_util.h"

namespace kelmar {
namespace {

TEST(SongModel, RecordLayoutsMatchTheFileFormats) {
  static_assert(sizeof(Instrument) == 48);
  static_assert(sizeof(Envelope) == 9);
  static_assert(sizeof(PatternCell) == 4);
  static_assert(sizeof(OrderEntry) == 2);
  static_assert(offsetof(Instrument, Filter) == 0);
  static_assert(offsetof(Instrument, NzeFreq) == 34);
  static_assert(offsetof(Instrument, PMVal) == 42);
  static_assert(offsetof(Envelope, Start) == 4);
  static_assert(offsetof(Envelope, Val4) == 8);
  static_assert(offsetof(PatternCell, Param2) == 3);
  Song song{};
  // Cell address = pattern x 1024 + track x 128 + row x 4.
  const auto* base = reinterpret_cast<const uint8_t*>(song.Patterns.data());
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(&song.Cell(3, 5, 7)) - base, 3 * 1024 + 5 * 128 + 7 * 4);
  Instrument ins{};
  ins.VolEnv.Len(0);  // accessors address the byte fields in order
  ins.VolEnv.Len3 = 9;
  ins.SweepEnv.Val2 = 77;
  EXPECT_EQ(ins.VolEnv.Len(2), 9);
  EXPECT_EQ(ins.SweepEnv.Val(1), 77);
  EXPECT_EQ(ins.bytes()[9 + 2], 9);
  EXPECT_EQ(ins.bytes()[18 + 6], 77);
}

TEST(SongModel, OrderEntryAndCellEncodings) {
  EXPECT_EQ(MakeOrderEntry(kOrderJump, 0x12), 0x112);
  EXPECT_EQ(OrderCommandOf(0xFE05), 2);  // bits 10-15 are ignored
  EXPECT_EQ(OrderParamOf(0xFE05), 5);
  PatternCell cell{60, 0x9A, 1, 2};
  EXPECT_EQ(cell.Effect1(), 9);
  EXPECT_EQ(cell.Effect2(), 10);
  EXPECT_EQ(kEffectLetters[cell.Effect1()], 'D');
  EXPECT_EQ(kEffectLetters[cell.Effect2()], 'x');
  EXPECT_EQ(kOrderLetters[3], 'x');
}

TEST(SongModel, NewSongReset) {
  auto song = std::make_unique<Song>();
  std::memset(song.get(), 0xA5, sizeof(Song));
  ResetSong(*song);
  for (int i = 0; i < kInstrumentCount; ++i) {
    for (int b = 0; b < 48; ++b) ASSERT_EQ(song->Instruments[i].bytes()[b], 0);
    ASSERT_EQ(song->SynthMode[i], 0);
    ASSERT_EQ(song->Order[i], i);
  }
  for (int p = 0; p < kPatternCount; ++p)
    for (int t = 0; t < kTrackCount; ++t)
      for (int r = 0; r < kRowCount; ++r) {
        const PatternCell& c = song->Cell(p, t, r);
        ASSERT_EQ(c.Note, 127);
        ASSERT_EQ(c.Effects | c.Param1 | c.Param2, 0);
      }
  EXPECT_EQ(song->Tempo, 50);
  EXPECT_EQ(song->Speed, 6);
}

TEST(SongModel, EngineStartsWithANewSongAndDefaults) {
  auto e = test::NewEngine();
  EXPECT_EQ(e->song.Tempo, 50);
  EXPECT_EQ(e->song.Speed, 6);
  EXPECT_EQ(e->song.Order[200], 200);
  EXPECT_EQ(e->song.Cell(0, 0, 0).Note, 127);
  EXPECT_EQ(e->SamplesPerTick, 882);
  EXPECT_EQ(e->TickCountdown, 0);
  EXPECT_EQ(e->TickDone, 0);
  EXPECT_EQ(e->Playing, 0);
  EXPECT_EQ(e->SampleRate, 44100);
  EXPECT_EQ(e->BufferSize, 4096);
  EXPECT_EQ(e->LastChannel, 7);
  for (const auto& table : e->WaveTables)
    for (uint8_t b : table) ASSERT_EQ(b, 0);  // built only by playback start and preview
}

}  // namespace
}  // namespace kelmar
