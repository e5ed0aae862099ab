#include "editors/song/song_settings_rules.h"

#include <gtest/gtest.h>

namespace kelmar {
namespace {

TEST(NumberLabelText, RightAlignedInFourCharacters) {
  EXPECT_EQ(NumberLabelText(6), "   6");
  EXPECT_EQ(NumberLabelText(10), "  10");
  EXPECT_EQ(NumberLabelText(50), "  50");
  EXPECT_EQ(NumberLabelText(250), " 250");
  EXPECT_EQ(NumberLabelText(0), "   0");
  EXPECT_EQ(NumberLabelText(-127), "-127");
}

TEST(ComposeColor, MovedBarSetsItsByteAndClearsTheTopByte) {
  EXPECT_EQ(ComposeColor(0x0000FF00, 1, 128), 0x00008000u);
  EXPECT_EQ(ComposeColor(0x0000FF00, 0, 0x12), 0x0000FF12u);
  EXPECT_EQ(ComposeColor(0x00000000, 2, 255), 0x00FF0000u);
  EXPECT_EQ(ComposeColor(0x7F123456, 0, 0x56), 0x00123456u) << "a loaded top byte goes on the first move";
  EXPECT_EQ(ComposeColor(0x00ABCDEF, 2, 0), 0x0000CDEFu);
}

TEST(ColorByte, ReadsRedGreenBlue) {
  EXPECT_EQ(ColorByte(0x00332211, 0), 0x11);
  EXPECT_EQ(ColorByte(0x00332211, 1), 0x22);
  EXPECT_EQ(ColorByte(0x00332211, 2), 0x33);
  EXPECT_EQ(ColorByte(0x7F332211, 3), 0x7F);
}

TEST(ScrollPositionFor, OutOfRangeValuesShowTheNearestEnd) {
  EXPECT_EQ(ScrollPositionFor(0, kTempoMin, kTempoMax), 10);
  EXPECT_EQ(ScrollPositionFor(255, kTempoMin, kTempoMax), 250);
  EXPECT_EQ(ScrollPositionFor(120, kTempoMin, kTempoMax), 120);
  EXPECT_EQ(ScrollPositionFor(0, kSpeedMin, kSpeedMax), 1);
  EXPECT_EQ(ScrollPositionFor(40, kSpeedMin, kSpeedMax), 31);
}

}  // namespace
}  // namespace kelmar
