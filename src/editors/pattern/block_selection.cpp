#include "editors/pattern/block_selection.h"

#include <algorithm>

#include "engine/song.h"

namespace kelmar {
namespace {

void Select(EditorState& state, int anchorRow, int anchorTrack, int endRow, int endTrack) {
  state.Selection = {true,
                     state.CurrentPattern,
                     static_cast<uint8_t>(anchorRow),
                     static_cast<uint8_t>(anchorTrack),
                     static_cast<uint8_t>(endRow),
                     static_cast<uint8_t>(endTrack)};
}

}  // namespace

std::optional<BlockRange> SelectedRange(const EditorState& state) {
  const BlockSelection& s = state.Selection;
  if (!s.Active || s.Pattern != state.CurrentPattern) return std::nullopt;
  return BlockRange{std::min(s.AnchorRow, s.EndRow), std::max(s.AnchorRow, s.EndRow),
                    std::min(s.AnchorTrack, s.EndTrack), std::max(s.AnchorTrack, s.EndTrack)};
}

BlockRange CommandRange(const EditorState& state, int track) {
  if (const std::optional<BlockRange> selected = SelectedRange(state)) return *selected;
  const int row = state.TrackCursors[track].CursorRow;
  return {row, row, track, track};
}

void ExtendSelection(EditorState& state, int fromRow, int fromTrack, int toRow, int toTrack) {
  if (SelectedRange(state)) {
    state.Selection.EndRow = static_cast<uint8_t>(toRow);
    state.Selection.EndTrack = static_cast<uint8_t>(toTrack);
  } else {
    Select(state, fromRow, fromTrack, toRow, toTrack);
  }
}

void SelectTrackThenPattern(EditorState& state, int track) {
  const BlockRange wholeTrack{0, kRowCount - 1, track, track};
  if (SelectedRange(state) == wholeTrack) {
    Select(state, 0, 0, kRowCount - 1, kTrackCount - 1);
  } else if (SelectedRange(state) != BlockRange{0, kRowCount - 1, 0, kTrackCount - 1}) {
    Select(state, 0, track, kRowCount - 1, track);
  }
}

void ClearSelection(EditorState& state) { state.Selection.Active = false; }

}  // namespace kelmar
