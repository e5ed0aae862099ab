// The pattern editor's block selection: a rectangle of whole cells, rows x tracks, of the
// shown pattern. Shift with the cursor keys draws it on from the cell where it began; the
// block commands act on it, or on the cell under the cursor when there is none.
#pragma once

#include <optional>

#include "editors/editor_state.h"

namespace kelmar {

struct BlockRange {
  int firstRow = 0;
  int lastRow = 0;
  int firstTrack = 0;
  int lastTrack = 0;

  int Rows() const { return lastRow - firstRow + 1; }
  int Tracks() const { return lastTrack - firstTrack + 1; }
  bool Contains(int track, int row) const {
    return track >= firstTrack && track <= lastTrack && row >= firstRow && row <= lastRow;
  }
  bool operator==(const BlockRange&) const = default;
};

// The selection, when there is one in the shown pattern.
std::optional<BlockRange> SelectedRange(const EditorState& state);

// What a block command acts on: the selection, or else the cell under the cursor of track.
BlockRange CommandRange(const EditorState& state, int track);

// Draws the selection on to (toRow, toTrack), where the cursor now stands. A selection that
// is not yet under way in the shown pattern begins at (fromRow, fromTrack), where the
// cursor stood before it moved.
void ExtendSelection(EditorState& state, int fromRow, int fromTrack, int toRow, int toTrack);

// Select All: the whole track; once that is selected, the whole pattern.
void SelectTrackThenPattern(EditorState& state, int track);

void ClearSelection(EditorState& state);

}  // namespace kelmar
