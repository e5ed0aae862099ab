// The text form of a pattern: the 10-character row text of one cell, a track column
// (32 row texts), the row-number column, the pattern number label, and where each
// track column's caret stands. The keyboard rules write single characters of a row
// text in step with the cell, so these conversions are pure: the same cell always
// gives the same characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "editors/editor_state.h"
#include "engine/song.h"

namespace kelmar {

constexpr int kRowTextLength = 10;
constexpr int kColumnCount = 8;  // cursor columns of a row
// Character of the row text under each cursor column: note, octave, effect 1,
// Param1 high and low digits, effect 2, Param2 high and low digits.
constexpr std::array<int, kColumnCount> kColumnOffset = {0, 2, 4, 5, 6, 7, 8, 9};
constexpr char kNoteNames[] = "C-C#D-D#E-F-F#G-G#A-A#B-";
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Writes the 10 characters of the cell into out.
void WriteRowText(const PatternCell& cell, char* out);
std::string RowText(const PatternCell& cell);

// Rows 0..31 of one track of a pattern, joined by lineBreak, without a break after row 31.
// The column text proper uses "\r\n", so that row r starts at character 12 x r.
std::string TrackText(const Song& song, int pattern, int track, const char* lineBreak = "\r\n");

// "00" to "31" joined by lineBreak, without a final break.
std::string RowNumberText(const char* lineBreak = "\r\n");

// Two blanks and the pattern number in two upper-case hex digits: "  00" .. "  FF".
std::string PatternLabelText(int pattern);

// Two upper-case hex digits.
std::string HexByte(int value);

// Character position of the track's cursor in the column text with lines of
// lineLength characters (12 for the "\r\n" column text).
int CaretPosition(const EditorState& state, int track, int lineLength = kRowTextLength + 2);

}  // namespace kelmar
