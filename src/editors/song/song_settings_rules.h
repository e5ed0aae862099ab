// The song settings' rules, free of any widget: the number labels of tempo and speed, the
// scroll bar ranges, and how a colour bar's move composes the new colour.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelmar {

// Scroll bar ranges and large steps of the song settings.
constexpr int kSpeedMin = 1, kSpeedMax = 31, kSpeedPageStep = 1;
constexpr int kTempoMin = 10, kTempoMax = 250, kTempoPageStep = 10;
constexpr int kColorMin = 0, kColorMax = 255, kColorPageStep = 16;

// A value in decimal, right-aligned in four characters: "   6", "  50", " 250".
std::string NumberLabelText(int value);

// Byte n (0 red, 1 green, 2 blue, 3 unused) of a 0x00BBGGRR colour.
constexpr uint8_t ColorByte(uint32_t color, int n) { return static_cast<uint8_t>(color >> (8 * n)); }

// The colour after the bar with tag n (0 red, 1 green, 2 blue) moved to value: that byte
// takes the value, and the unused top byte is cleared, whatever a loaded file put there.
uint32_t ComposeColor(uint32_t color, int tag, int value);

// Where a scroll bar shows a stored value: the nearest end of its range when outside it.
constexpr int ScrollPositionFor(int value, int minimum, int maximum) {
  return value < minimum ? minimum : value > maximum ? maximum : value;
}

// The title made into a file name for the song's save dialog: ASCII letters in lower case,
// other letters and digits as they are, every run of anything else one "-", and ".sng":
// "Neon Run" gives "neon-run.sng". Empty for a title that names nothing (blank, or the
// new song's "Songtitle").
std::string SongFileNameFromTitle(std::string_view title);

}  // namespace kelmar
