#include "editors/pattern/pattern_text.h"
#include "editors/pattern/cell_words.h"

#include <gtest/gtest.h>

#include <memory>

namespace kelmar {
namespace {

TEST(RowText, ShowsNoteOctaveEffectsAndParameters) {
  EXPECT_EQ(RowText({48, 0x21, 0x05, 0x88}), "C-4 I05V88");
  EXPECT_EQ(RowText({kEmptyNote, 0, 0, 0}), "... .00.00");
  EXPECT_EQ(RowText({13, 0x9F, 0xAB, 0xFF}), "C#1 DABxFF");
  EXPECT_EQ(RowText({107, 0x00, 0x00, 0x00}), "B-8 .00.00");
  EXPECT_EQ(RowText({0, 0x40, 0x00, 0x00}), "C-0 M00.00");
}

// What a screen reader says of the same cells: decimal numbers, empty slots left out.
TEST(CellWords, SayEachPartOfTheCell) {
  EXPECT_EQ(CellWords({48, 0x21, 0x05, 0x88}), "C 4, instrument 5, volume left 8 right 8");
  EXPECT_EQ(CellWords({kEmptyNote, 0, 0, 0}), "no note");
  EXPECT_EQ(CellWords({13, 0x9F, 0xFE, 0xFF}), "C sharp 1, detune -2, unknown effect 15, parameter 255");
  EXPECT_EQ(CellWords({107, 0x38, 0, 0x1A}), "B 8, no trigger, jump to position 26");
  EXPECT_EQ(CursorWords(2, {0, 12}), "Track 3, row 12, note");
}

TEST(RowText, EmptyNotesHideTheNoteButShowTheEffects) {
  for (int note = 127; note <= 255; ++note) {
    EXPECT_EQ(RowText({static_cast<uint8_t>(note), 0x67, 0x12, 0x34}), "... S12T34") << note;
  }
}

TEST(RowText, UntypeableValuesShowAsStated) {
  for (int code = 10; code <= 15; ++code) {
    const uint8_t effects = static_cast<uint8_t>(code << 4 | code);
    EXPECT_EQ(RowText({kEmptyNote, effects, 0, 0}), "... x00x00");
  }
  // Notes 120..126 only come from files: the octave character is the one after '9'.
  EXPECT_EQ(RowText({120, 0, 0, 0}), "C-: .00.00");
  EXPECT_EQ(RowText({126, 0, 0, 0}), "F#: .00.00");
}

TEST(TrackText, JoinsThirtyTwoRowsWithoutAFinalBreak) {
  auto song = std::make_unique<Song>();
  ResetSong(*song);
  song->Cell(3, 2, 0) = {48, 0x21, 0x05, 0x88};
  song->Cell(3, 2, 31) = {1, 0, 0, 0x0F};
  const std::string text = TrackText(*song, 3, 2);
  ASSERT_EQ(text.size(), 32u * 12 - 2);
  EXPECT_EQ(text.substr(0, 12), "C-4 I05V88\r\n");
  EXPECT_EQ(text.substr(12, 12), "... .00.00\r\n");
  EXPECT_EQ(text.substr(12 * 31), "C#0 .00.0F");
  EXPECT_EQ(TrackText(*song, 3, 1), TrackText(*song, 0, 0));
  const std::string lines = TrackText(*song, 3, 2, "\n");
  EXPECT_EQ(lines.size(), 32u * 11 - 1);
  EXPECT_EQ(lines.substr(11 * 31), "C#0 .00.0F");
}

TEST(RowNumberText, CountsZeroToThirtyOneInDecimal) {
  const std::string text = RowNumberText();
  EXPECT_EQ(text.size(), 32u * 4 - 2);
  EXPECT_EQ(text.substr(0, 8), "00\r\n01\r\n");
  EXPECT_EQ(text.substr(4 * 10, 4), "10\r\n");
  EXPECT_EQ(text.substr(4 * 31), "31");
}

TEST(PatternLabelText, IsTwoBlanksAndTwoHexDigits) {
  EXPECT_EQ(PatternLabelText(0), "  00");
  EXPECT_EQ(PatternLabelText(0x3A), "  3A");
  EXPECT_EQ(PatternLabelText(255), "  FF");
}

TEST(CaretPosition, FollowsRowAndColumnOffsets) {
  EditorState state;
  EXPECT_EQ(CaretPosition(state, 0), 0);
  const int offsets[8] = {0, 2, 4, 5, 6, 7, 8, 9};
  for (int column = 0; column < 8; ++column) {
    state.TrackCursors[5] = {static_cast<uint8_t>(column), 31};
    EXPECT_EQ(CaretPosition(state, 5), 12 * 31 + offsets[column]);
    EXPECT_EQ(CaretPosition(state, 5, 11), 11 * 31 + offsets[column]);
  }
  EXPECT_EQ(CaretPosition(state, 4), 0);  // each track has its own cursor
}

}  // namespace
}  // namespace kelmar
