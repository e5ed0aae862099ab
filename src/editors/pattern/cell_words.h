// What a screen reader says of the pattern: where a track's cursor stands ("Track 3, row 12,
// note") and a cell in words ("C sharp 4, instrument 5, volume left 15 right 15"). Numbers
// are spoken in decimal, whatever base the text shows them in.
#pragma once

#include <string>

#include "editors/editor_state.h"
#include "engine/song.h"

namespace kelmar {

// track 0..7 is spoken as 1..8, the row as the row numbers show it.
std::string CursorWords(int track, const TrackCursor& cursor);
// "no note" for an empty note; an effect slot with nothing in it is left out.
std::string CellWords(const PatternCell& cell);

}  // namespace kelmar
