// The block commands of the pattern editor: cut, copy, paste, transpose, interpolate and
// set instrument over a range of whole cells of one pattern. They write cells only; the
// selection, the clipboard and the undo step are the caller's.
#pragma once

#include <array>
#include <cstdint>

#include "editors/pattern/block_selection.h"
#include "engine/song.h"

namespace kelmar {

// Cells taken from a pattern: rows x tracks, cells[track][row] from the block's top left.
struct PatternBlock {
  int rows = 0;
  int tracks = 0;
  std::array<std::array<PatternCell, kRowCount>, kTrackCount> cells{};

  bool Empty() const { return rows == 0 || tracks == 0; }
  bool operator==(const PatternBlock& other) const;
};

// The values of the range's cells now.
PatternBlock CopyBlock(const Song& song, int pattern, const BlockRange& range);

// Empties the range's cells: note 127, effects and parameters 0.
void ClearBlock(Song& song, int pattern, const BlockRange& range);

// Puts the block with its top-left cell at (row, track); what would fall below row 31 or
// right of track 7 is left out. No other cell moves.
void PasteBlock(Song& song, int pattern, int row, int track, const PatternBlock& block);

// Moves every note of the range by semitones. A note that would leave 0..107 stays as it
// is; empty cells stay empty; effects are kept.
void TransposeBlock(Song& song, int pattern, const BlockRange& range, int semitones);

enum class Interpolation { Done, TooFewRows, EffectsDiffer };

// For each track of the range and each effect column, the rows strictly between its first
// and last row take the effect of both ends and a parameter running linearly (rounded to the
// nearest) from the first row's to the last row's, by what the effect means: V's two gains
// each on its own, D as a signed byte, S and T as they are. Other effects are not
// interpolated, and a row holding another effect of its own in the column keeps it. Notes
// are untouched. Nothing changes when the range has fewer than three rows or when a track's
// first and last rows hold different effects.
Interpolation InterpolateBlock(Song& song, int pattern, const BlockRange& range);

// Every note of the range whose first effect is I gets the instrument as its parameter;
// a note without a first effect gets I and the instrument. Other cells stay.
void SetInstrumentInBlock(Song& song, int pattern, const BlockRange& range, uint8_t instrument);

}  // namespace kelmar
