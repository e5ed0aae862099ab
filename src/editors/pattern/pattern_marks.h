// What the pattern view marks beyond its text: the beat rows and the cursor's cell. Both are
// drawn behind the characters, which stay exactly the row texts.
#pragma once

#include "editors/pattern/pattern_text.h"

namespace kelmar {

// Rows 0, every, 2 x every, ... are beat rows; every = 0 marks none.
constexpr bool IsBeatRow(int row, int every) { return every > 0 && row % every == 0; }

// Characters [first, first + length) of a row text.
struct CharSpan {
  int first = 0;
  int length = 0;
  bool operator==(const CharSpan&) const = default;
};

// The characters a cursor column (0..7) edits: the note column the whole note with its
// octave, every other column its one character.
constexpr CharSpan CursorCellSpan(int column) {
  return column == 0 ? CharSpan{0, 3} : CharSpan{kColumnOffset[column], 1};
}

}  // namespace kelmar
