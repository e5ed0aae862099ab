#include "editors/pattern/pattern_tools.h"

#include <gtest/gtest.h>

#include <cstring>

#include "editors/marked_song.h"

namespace kelmar {
namespace {

template <typename T>
bool SameBytes(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof(T)) == 0; }

class PatternTools : public testing::MarkedSongTest {
 protected:
  EditorState state_;
};

TEST_F(PatternTools, EmptyMeansEveryCellIsTheNewSongCell) {
  EXPECT_TRUE(IsPatternEmpty(song(), 0));
  EXPECT_TRUE(IsPatternEmpty(song(), 255));
  song().Cell(4, 7, 31).Param2 = 1;  // an effect parameter alone makes it used
  EXPECT_FALSE(IsPatternEmpty(song(), 4));
  song().Cell(5, 0, 0).Note = 128;  // so does a note beyond 127
  EXPECT_FALSE(IsPatternEmpty(song(), 5));
  song().Cell(6, 3, 3).Effects = 0x01;
  EXPECT_FALSE(IsPatternEmpty(song(), 6));
}

TEST_F(PatternTools, EqualMeansAllBytesEqual) {
  EXPECT_TRUE(PatternsEqual(song(), 1, 2));
  song().Cell(2, 7, 31).Param2 = 1;
  EXPECT_FALSE(PatternsEqual(song(), 1, 2));
  song().Cell(1, 7, 31).Param2 = 1;
  EXPECT_TRUE(PatternsEqual(song(), 1, 2));
  EXPECT_TRUE(PatternsEqual(song(), 2, 2));
}

TEST_F(PatternTools, PasteBeforeAnyCopyTakesTrackZeroOfPatternZero) {
  song().Cell(0, 0, 5) = {30, 0x21, 3, 0};
  state_.CurrentPattern = 9;
  EXPECT_TRUE(PasteTrack(song(), state_, 4));
  EXPECT_TRUE(SameBytes(song().Patterns[9][4], song().Patterns[0][0]));
}

TEST_F(PatternTools, CopyRemembersAReferenceNotTheCells) {
  song().Cell(2, 3, 0) = {12, 0, 0, 0};
  state_.CurrentPattern = 2;
  CopyTrack(state_, 3);
  EXPECT_EQ(state_.TrackCopyPattern, 2);
  EXPECT_EQ(state_.TrackCopyTrack, 3);
  song().Cell(2, 3, 1) = {14, 0, 0, 0};  // edited after the copy
  state_.CurrentPattern = 7;
  ASSERT_TRUE(PasteTrack(song(), state_, 6));
  EXPECT_EQ(song().Cell(7, 6, 0).Note, 12);
  EXPECT_EQ(song().Cell(7, 6, 1).Note, 14);
  // Only the target track changed.
  for (int t = 0; t < 8; ++t) {
    if (t != 6) {
      EXPECT_TRUE(SameBytes(song().Patterns[7][t], song().Patterns[1][0])) << t;
    }
  }
  // Onto itself: nothing changes.
  state_.CurrentPattern = 2;
  const Pattern before = song().Patterns[2];
  EXPECT_TRUE(PasteTrack(song(), state_, 3));
  EXPECT_TRUE(SameBytes(song().Patterns[2], before));
}

TEST_F(PatternTools, CopyWithNoTrackFocusedDisablesPasteUntilTheNextCopy) {
  song().Cell(0, 0, 0) = {12, 0, 0, 0};
  CopyTrack(state_, kNoTrack);
  EXPECT_EQ(state_.TrackCopyTrack, kNoTrack);
  state_.CurrentPattern = 1;
  EXPECT_FALSE(PasteTrack(song(), state_, 2));
  EXPECT_TRUE(IsPatternEmpty(song(), 1));
  state_.CurrentPattern = 0;
  CopyTrack(state_, 0);
  state_.CurrentPattern = 1;
  EXPECT_TRUE(PasteTrack(song(), state_, 2));
  EXPECT_EQ(song().Cell(1, 2, 0).Note, 12);
  // Nothing is pasted where no track column has the focus.
  EXPECT_FALSE(PasteTrack(song(), state_, kNoTrack));
}

TEST_F(PatternTools, CloneCopiesTheShownPatternAfterTheHighestUsedOne) {
  for (int p = 0; p <= 9; ++p) Mark(p);
  state_.CurrentPattern = 3;
  const auto order = song().Order;
  ASSERT_TRUE(ClonePattern(song(), state_));
  EXPECT_EQ(state_.CurrentPattern, 10);
  EXPECT_TRUE(PatternsEqual(song(), 3, 10));
  EXPECT_EQ(song().Order, order);
  // The next clone goes after the first one.
  ASSERT_TRUE(ClonePattern(song(), state_));
  EXPECT_EQ(state_.CurrentPattern, 11);
  EXPECT_TRUE(PatternsEqual(song(), 3, 11));
}

TEST_F(PatternTools, CloneWithNothingInUseDoesNothing) {
  song().Cell(255, 0, 0).Note = 1;
  state_.CurrentPattern = 255;
  EXPECT_FALSE(ClonePattern(song(), state_));
  EXPECT_EQ(state_.CurrentPattern, 255);
  for (int p = 0; p < 255; ++p) ASSERT_TRUE(IsPatternEmpty(song(), p));
}

TEST_F(PatternTools, CloneNeverOverwritesAUsedPattern255) {
  Mark(3);
  Mark(254);
  Mark(255);
  state_.CurrentPattern = 3;
  const Pattern kept = song().Patterns[255];
  EXPECT_FALSE(ClonePattern(song(), state_));
  EXPECT_TRUE(SameBytes(song().Patterns[255], kept));
  EXPECT_EQ(state_.CurrentPattern, 3);
  // With pattern 255 free the clone lands there.
  std::memcpy(&song().Patterns[255], &song().Patterns[0], sizeof(Pattern));
  ASSERT_TRUE(IsPatternEmpty(song(), 255));
  EXPECT_TRUE(ClonePattern(song(), state_));
  EXPECT_EQ(state_.CurrentPattern, 255);
  EXPECT_TRUE(PatternsEqual(song(), 3, 255));
}

}  // namespace
}  // namespace kelmar
