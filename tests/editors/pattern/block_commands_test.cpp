#include "editors/pattern/block_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "history/history.h"
#include "editors/pattern/block_text.h"
#include "editors/pattern/track_mutes.h"

namespace kelmar {
namespace {

class BlockCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    song_ = std::make_unique<Song>();
    ResetSong(*song_);
  }
  PatternCell& Cell(int track, int row) { return song_->Cell(3, track, row); }
  std::string Text(const BlockRange& range) { return BlockText(CopyBlock(*song_, 3, range)); }
  std::unique_ptr<Song> song_;
};

TEST_F(BlockCommands, TransposeKeepsNotesInsideTheEnteredRange) {
  const uint8_t notes[] = {0, 1, 11, 12, 95, 96, 106, 107, 110, kEmptyNote, 200};
  for (int r = 0; r < 11; ++r) Cell(5, r) = {notes[r], 0x21, 7, 9};
  const BlockRange all{0, 10, 5, 5};
  TransposeBlock(*song_, 3, all, 1);
  EXPECT_EQ(Text(all), "C#0 I07V09\nD-0 I07V09\nC-1 I07V09\nC#1 I07V09\nC-8 I07V09\nC#8 I07V09\n"
                       "B-8 I07V09\nB-8 I07V09\nD-9 I07V09\n... I07V09\n... I07V09\n");
  EXPECT_EQ(Cell(5, 8).Note, 110);  // out of range already: stays
  EXPECT_EQ(Cell(5, 10).Note, 200);
  TransposeBlock(*song_, 3, all, -12);
  EXPECT_EQ(Cell(5, 0).Note, 1);  // C#0 cannot go an octave down
  EXPECT_EQ(Cell(5, 2).Note, 0);
  EXPECT_EQ(Cell(5, 7).Note, 95);
}

TEST_F(BlockCommands, CutCopyAndPasteClipAtTheLastRowAndTrack) {
  Cell(0, 0) = {40, 0x21, 1, 2};
  Cell(1, 1) = {41, 0x00, 0, 5};
  const PatternBlock block = CopyBlock(*song_, 3, {0, 1, 0, 1});
  ClearBlock(*song_, 3, {0, 1, 0, 1});
  EXPECT_EQ(Text({0, 1, 0, 1}), "... .00.00 ... .00.00\n... .00.00 ... .00.00\n");
  PasteBlock(*song_, 3, 31, 7, block);  // only the top-left cell fits
  EXPECT_EQ(Text({30, 31, 6, 7}), "... .00.00 ... .00.00\n... .00.00 E-3 I01V02\n");
  PasteBlock(*song_, 3, 5, 2, block);
  EXPECT_EQ(Text({5, 6, 2, 3}), "E-3 I01V02 ... .00.00\n... .00.00 F-3 .00.05\n");
  EXPECT_EQ(Text({4, 7, 4, 4}), "... .00.00\n... .00.00\n... .00.00\n... .00.00\n");
}

TEST_F(BlockCommands, InterpolateByWhatEachEffectMeans) {
  constexpr PatternCell kEmpty{kEmptyNote, 0, 0, 0};
  const struct {
    PatternCell top, middle, bottom;
    Interpolation result;
    const char* rows;
  } cases[] = {
      // V: each gain on its own; a row of the same effect is interpolated too.
      {{20, 0x10, 0xFF, 0}, {31, 0x10, 0, 0}, {kEmptyNote, 0x10, 0x00, 0}, Interpolation::Done,
       "G#1 VFF.00\n... VBB.00\nG-2 V88.00\n... V44.00\n... V00.00\n"},
      // D as a signed byte, T unsigned; each column by its own effect, another effect stays.
      {{20, 0x97, 0x10, 0x10}, {30, 0x50, 0x44, 0}, {kEmptyNote, 0x97, 0xF0, 0xFF}, Interpolation::Done,
       "G#1 D10T10\n... D08T4C\nF#2 B44T88\n... DF8TC3\n... DF0TFF\n"},
      // I counts things: the rows keep what they have.
      {{20, 0x20, 0x01, 0}, {30, 0, 0, 5}, {kEmptyNote, 0x20, 0x09, 0}, Interpolation::Done,
       "G#1 I01.00\n... .00.00\nF#2 .00.05\n... .00.00\n... I09.00\n"},
      {{20, 0x17, 0, 0x10}, kEmpty, {kEmptyNote, 0x00, 0x09, 0xFF}, Interpolation::EffectsDiffer,
       "G#1 V00T10\n... .00.00\n... .00.00\n... .00.00\n... .09.FF\n"},
  };
  for (const auto& c : cases) {
    Cell(0, 2) = c.top;
    Cell(0, 4) = c.middle;
    Cell(0, 6) = c.bottom;
    Cell(0, 3) = Cell(0, 5) = kEmpty;
    EXPECT_EQ(InterpolateBlock(*song_, 3, {2, 6, 0, 0}), c.result);
    EXPECT_EQ(Text({2, 6, 0, 0}), c.rows);
  }
  Cell(0, 2) = {20, 0x10, 0xFF, 0};
  Cell(0, 6) = {20, 0x10, 0x00, 0};
  Cell(1, 2) = {20, 0x20, 0x01, 0};  // another track's ends differ: no track changes
  EXPECT_EQ(InterpolateBlock(*song_, 3, {2, 6, 0, 1}), Interpolation::EffectsDiffer);
  EXPECT_EQ(Cell(0, 4).Param1, 0);
  EXPECT_EQ(InterpolateBlock(*song_, 3, {2, 3, 0, 0}), Interpolation::TooFewRows);
}

TEST_F(BlockCommands, SetInstrumentOnNotesWithoutOrWithAnInstrumentEffect) {
  Cell(1, 0) = {10, 0x00, 0, 3};
  Cell(1, 1) = {11, 0x23, 9, 3};
  Cell(1, 2) = {12, 0x13, 9, 3};
  Cell(1, 3) = {kEmptyNote, 0x00, 0, 0};
  SetInstrumentInBlock(*song_, 3, {0, 3, 1, 1}, 0xAB);
  EXPECT_EQ(Text({0, 3, 1, 1}), "A#0 IAB.03\nB-0 IABN03\nC-1 V09N03\n... .00.00\n");
}

TEST_F(BlockCommands, TextRoundTripAndForeignTextRefused) {
  for (int t = 0; t < 8; ++t)
    for (int r = 0; r < 32; ++r) song_->Cell(3, t, r) = {uint8_t((t * 32 + r) % 127), uint8_t(t * 17 + r), uint8_t(r), uint8_t(t)};
  const PatternBlock whole = CopyBlock(*song_, 3, {0, 31, 0, 7});
  std::string text = BlockText(whole);
  const std::optional<PatternBlock> read = ParseBlockText(text);
  ASSERT_TRUE(read);
  EXPECT_EQ(BlockText(*read), text);
  // Effects 1..9 and notes up to 126 read back exactly; "x" stands for 10..15.
  const std::optional<PatternBlock> one = ParseBlockText("F#: x0FD80\r\n");
  ASSERT_TRUE(one);
  EXPECT_EQ(one->cells[0][0].Note, 126);
  EXPECT_EQ(one->cells[0][0].Effects, 0xA9);
  for (const char* foreign : {"", "hello", "C-4 I05V88 ", "C-4 I05V88\nC-4 I05V88 C-4 I05V88\n", "C-4 i05V88",
                              "C-4 I05V8G", "H-4 I05V88", "C-4I05V88 ", "C-4 I05V88\n\n", "G-: .00.00"}) {
    EXPECT_FALSE(ParseBlockText(foreign)) << foreign;
  }
  text += "C-4 I05V88 C-4 I05V88 C-4 I05V88 C-4 I05V88 C-4 I05V88 C-4 I05V88 C-4 I05V88 C-4 I05V88\n";
  EXPECT_FALSE(ParseBlockText(text));  // 33 rows
}

TEST_F(BlockCommands, EachCommandIsOneUndoStep) {
  Cell(2, 0) = {40, 0x21, 1, 2};
  Cell(2, 2) = {42, 0x21, 9, 9};
  const BlockRange range{0, 2, 2, 3};
  const PatternBlock block = CopyBlock(*song_, 3, range);
  const std::function<void()> commands[] = {
      [&] { TransposeBlock(*song_, 3, range, 12); },
      [&] { InterpolateBlock(*song_, 3, range); },
      [&] { SetInstrumentInBlock(*song_, 3, range, 4); },
      [&] { PasteBlock(*song_, 3, 30, 6, block); },
      [&] { ClearBlock(*song_, 3, range); },
  };
  SongSettings settings;
  History history(*song_, settings);
  for (const auto& command : commands) {
    const PatternBlock before = CopyBlock(*song_, 3, {0, 31, 0, 7});
    command();
    const PatternBlock after = CopyBlock(*song_, 3, {0, 31, 0, 7});
    ASSERT_FALSE(before == after);
    ASSERT_TRUE(history.Record({*song_, settings}, "Block", 2));
    ASSERT_TRUE(history.Undo({*song_, settings}));
    EXPECT_TRUE(CopyBlock(*song_, 3, {0, 31, 0, 7}) == before);
    ASSERT_TRUE(history.Redo({*song_, settings}));
    EXPECT_TRUE(CopyBlock(*song_, 3, {0, 31, 0, 7}) == after);
  }
}

TEST(TrackMutes, MuteTogglesAndSoloTogglesAll) {
  EXPECT_EQ(ToggleMute(0, 3), 0x08);
  EXPECT_EQ(ToggleMute(0x08, 3), 0);
  EXPECT_EQ(ToggleSolo(0x08, 3), 0xF7);
  EXPECT_EQ(ToggleSolo(0xF7, 3), 0);
  EXPECT_EQ(ToggleSolo(0xF7, 0), 0xFE);
}

}  // namespace
}  // namespace kelmar
