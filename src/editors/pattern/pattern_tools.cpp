#include "editors/pattern/pattern_tools.h"

#include <cstring>

namespace kelmar {

bool IsPatternEmpty(const Song& song, int pattern) {
  for (const Track& track : song.Patterns[pattern]) {
    for (const PatternCell& cell : track) {
      if (cell.Note != kEmptyNote || cell.Effects != 0 || cell.Param1 != 0 || cell.Param2 != 0) return false;
    }
  }
  return true;
}

bool PatternsEqual(const Song& song, int a, int b) {
  return a == b || std::memcmp(&song.Patterns[a], &song.Patterns[b], sizeof(Pattern)) == 0;
}

void CopyTrack(EditorState& state, uint8_t focusedTrack) {
  state.TrackCopyPattern = state.CurrentPattern;
  state.TrackCopyTrack = focusedTrack;
}

bool PasteTrack(Song& song, EditorState& state, uint8_t focusedTrack) {
  if (state.TrackCopyTrack >= kTrackCount || focusedTrack >= kTrackCount) return false;
  const Track& source = song.Patterns[state.TrackCopyPattern][state.TrackCopyTrack];
  Track& target = song.Patterns[state.CurrentPattern][focusedTrack];
  if (&source != &target) std::memcpy(&target, &source, sizeof(Track));
  return true;
}

bool ClonePattern(Song& song, EditorState& state) {
  int highest = kPatternCount - 2;
  while (highest >= 0 && IsPatternEmpty(song, highest)) --highest;
  if (highest < 0) return false;
  const int target = highest + 1;
  // Only pattern 255 can be in use above the highest used one of 0..254; it is never
  // the user's intention to lose it to a clone.
  if (!IsPatternEmpty(song, target)) return false;
  if (target != state.CurrentPattern) {
    std::memcpy(&song.Patterns[target], &song.Patterns[state.CurrentPattern], sizeof(Pattern));
  }
  state.CurrentPattern = static_cast<uint8_t>(target);
  return true;
}

}  // namespace kelmar
