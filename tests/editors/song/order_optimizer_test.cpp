#include "editors/song/order_optimizer.h"

#include <gtest/gtest.h>

#include "editors/marked_song.h"
#include "editors/pattern/pattern_tools.h"

namespace kelmar {
namespace {

using OrderOptimizer = testing::MarkedSongTest;

TEST_F(OrderOptimizer, OptimizeOnANewSongPlaysPatternZeroEverywhere) {
  Optimize(song());
  for (int i = 0; i < kOrderLength; ++i) EXPECT_EQ(song().Order[i], MakeOrderEntry(kOrderPlay, 0)) << i;
}

TEST_F(OrderOptimizer, OptimizeKeepsDifferentPatternsAndMergesEqualOnes) {
  Mark(5);
  song().Cell(7, 1, 1).Note = 50;
  song().Order[0] = 5;
  song().Order[1] = 7;
  song().Order[2] = 5;
  song().Order[3] = MakeOrderEntry(kOrderJump, 7);
  song().Order[4] = MakeOrderEntry(kOrderStop, 0);
  for (int i = 5; i < kOrderLength; ++i) song().Order[i] = 7;
  Optimize(song());
  EXPECT_EQ(song().Order[0], 5);
  EXPECT_EQ(song().Order[1], 7);
  EXPECT_EQ(song().Order[2], 5);
  EXPECT_EQ(song().Order[3], MakeOrderEntry(kOrderJump, 7));
  EXPECT_EQ(song().Order[4], MakeOrderEntry(kOrderStop, 0));
  EXPECT_EQ(song().Order[200], 7);

  // Pattern 7 made identical to pattern 5: position 1 then plays pattern 5.
  song().Patterns[7] = song().Patterns[5];
  Optimize(song());
  EXPECT_EQ(song().Order[1], 5);
  EXPECT_EQ(song().Order[255], 5);
  EXPECT_EQ(song().Order[3], MakeOrderEntry(kOrderJump, 7));  // other commands stay
  EXPECT_FALSE(IsPatternEmpty(song(), 7));                    // no pattern is cleared
}

TEST_F(OrderOptimizer, OptimizeComparesTheParameterOfEarlierJumpsAsAPattern) {
  // Position 0 jumps to 2; pattern 2 (empty) equals pattern 9 played at position 1.
  song().Order[0] = MakeOrderEntry(kOrderJump, 2);
  song().Order[1] = 9;
  Optimize(song());
  EXPECT_EQ(song().Order[0], MakeOrderEntry(kOrderJump, 2));
  EXPECT_EQ(song().Order[1], 2);
}

}  // namespace
}  // namespace kelmar
