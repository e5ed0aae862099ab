// Whole-track and whole-pattern tools of the pattern editor: the track clipboard and
// pattern cloning.
#pragma once

#include <cstdint>

#include "editors/editor_state.h"
#include "engine/song.h"

namespace kelmar {

// Every cell of the pattern holds note 127 and zero effect bytes. An effect alone, or a
// note of 128 and above, makes the pattern count as used.
bool IsPatternEmpty(const Song& song, int pattern);

// All 1024 bytes of the two patterns are equal.
bool PatternsEqual(const Song& song, int a, int b);

// Copy Track: remembers the shown pattern and the focused track (0..7, or kNoTrack when
// no track column has the focus). Reads and writes no cell: the clipboard is a reference.
constexpr uint8_t kNoTrack = 255;
void CopyTrack(EditorState& state, uint8_t focusedTrack);

// Paste Track: copies the remembered track, as it is now, into the focused track of the
// shown pattern. Does nothing when either track is kNoTrack. Returns whether it copied.
bool PasteTrack(Song& song, EditorState& state, uint8_t focusedTrack);

// Clone Pattern: copies the shown pattern into the pattern after the highest used one of
// 0..254 and makes the copy the shown pattern. Nothing changes when patterns 0..254 are
// all empty, or when the target (only possible for 255) already holds something: a
// clone never overwrites the user's notes. Returns whether it cloned.
bool ClonePattern(Song& song, EditorState& state);

}  // namespace kelmar
