// Recording while a song or pattern plays: the row a played note belongs to, the track each
// note of a MIDI chord goes to, and what a note writes into its cell.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "editors/editor_state.h"
#include "engine/engine.h"

namespace kelmar {

// The rows of this playback around the moment a note was played: the rows the player
// processed, oldest first, and last the row it processes next (its Length is 0).
struct PlayedRows {
  std::array<RowMark, kRowMarkCount + 1> rows{};
  int count = 0;
};

// Where a recorded note goes. `upcoming`: the player has not processed that row yet, so
// the note's preview already plays what the row will start.
struct RecordPlace {
  uint8_t pattern = 0;
  uint8_t row = 0;
  bool upcoming = false;
};

// The engine's played rows, read under EngineLock while it plays.
PlayedRows PlayedRowsOf(const Engine& engine);

// The row sounding at heardFrame (a frame of the renderer's output), rounded to the nearest
// row: a note in the second half of a row belongs to the row that follows.
RecordPlace NearestRow(const PlayedRows& played, uint64_t heardFrame);

// The V parameter of a MIDI velocity (1..127): the gain velocity / 127 through a square law,
// scaled to 0..15, the same on both sides.
uint8_t VelocityParam(int velocity);

// The notes of one take that are still held, and the tracks they went to: a note played
// while others are held goes to the first track to the right of the focused one (wrapping
// within the eight) that no held note has, so a chord fills adjacent tracks.
class HeldNotes {
 public:
  HeldNotes() { Clear(); }
  int NoteOn(int key, int focusedTrack);  // the track the note goes to
  void NoteOff(int key);
  void Clear() { trackOf_.fill(-1); }

 private:
  std::array<int8_t, 128> trackOf_;  // by MIDI key; -1: not held
};

// Writes the note (0..107) into track's cell at place, with Auto Ixx as a typed note has
// it and, for a velocity of 1..127, its V effect in the second effect column.
void WriteRecordedNote(Song& song, const EditorState& state, const RecordPlace& place, int track, int note,
                       int velocity);

}  // namespace kelmar
