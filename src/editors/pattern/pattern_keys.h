// The pattern editor's keyboard rules, as plain procedures over the song and the editing
// state. A key goes through two stages, as in the track columns: the key-down stage
// (cursor moves, Enter, Insert and Delete, pattern and instrument stepping) and the
// character stage (notes, octaves, effect letters, parameter digits at the cursor).
// Both write the cell and the same characters of the row text; what the view must do
// beyond that (redraw, move the focus, sound a note) comes back in a KeyOutcome.
#pragma once

#include <cstdint>
#include <string>

#include "editors/editor_state.h"
#include "editors/key_map.h"
#include "engine/song.h"

namespace kelmar {

// Keys the key-down stage knows, whatever the toolkit calls them.
enum class PatternKey {
  Other,         // any other key, modifiers alone included
  Left,
  Right,
  Up,
  Down,
  Backspace,     // acts as Left
  Enter,
  Insert,
  Delete,
  KeypadPlus,    // next instrument
  KeypadMinus,   // previous instrument
  PatternPlus,   // "+" / "=" of the main keyboard: next pattern
  PatternMinus,  // "-" of the main keyboard: previous pattern
  PageUp,        // 8 rows up
  PageDown,      // 8 rows down
  Home,          // row 0
  End,           // row 31
  NextTrack,     // Tab: the note column of the next track, same row
  PreviousTrack, // Shift+Tab
  Escape,        // drops the selection
};

struct KeyOutcome {
  bool consumed = false;           // the text box must not act on the key itself
  bool refreshView = false;        // rebuild all eight track columns
  bool patternStepped = false;     // the pattern keys ran: scroll bar and label follow, this column keeps the focus
  bool instrumentChanged = false;  // CurrentInstrument changed: the instrument panel follows
  int focusTrack = -1;             // track 0..7 whose column takes the focus; -1 = focus stays
  bool rowTextChanged = false;     // characters of the cursor row's text were written
  int previewNote = -1;            // note (0..107) to sound on this track with CurrentInstrument; -1 = none
  bool selectionChanged = false;   // the block selection was drawn on or dropped
};

// The key-down stage's key of a key press: "+" and "-" by their place where it is known.
PatternKey PatternKeyOf(const PlatformKey& key);

// Key-down stage for the column of track (0..7). With shift, the arrows, PageUp, PageDown,
// Home and End draw the block selection on as they move (Left and Right by whole tracks);
// without it a move drops the selection.
KeyOutcome PatternKeyDown(Song& song, EditorState& state, int track, PatternKey key, bool shift = false);

// Character stage for the column of track (0..7): ch is the typed character, pianoKey the
// note key of its place (or kPianoUnknown / kNotPiano; a note key wins over the character), rowText the 10 characters of the
// cursor row in the column's text, written in step with the cell.
KeyOutcome PatternKeyPress(Song& song, EditorState& state, int track, char32_t ch, int pianoKey, char* rowText);

// A note key's work without the key: the note (0..107) goes into the cursor row of track, with
// Auto Ixx, the cursor moves on by EditStep rows (no further than row 31) to the note column,
// and the note is to be sounded. A "." in the note or octave column moves on the same way.
KeyOutcome EnterNote(Song& song, EditorState& state, int track, int note, char* rowText);

// The note (0..107) a key of the note column enters at the entry octave, or -1: ch is the
// typed character, pianoKey the note key of its place as for PatternKeyPress.
int NoteOfKey(const EditorState& state, char32_t ch, int pianoKey);

// The cell of a note entry: the note (0..107) and, with Auto Ixx, the current instrument's
// I effect in the first effect column.
void WriteNoteCell(PatternCell& cell, int note, const EditorState& state);

// A click on the character `character` (0..9) of `row` in track's column: the track's cursor
// goes to that row and to the cursor column whose caret stands on or before the character.
// With shift the selection is drawn on from where fromTrack's cursor stood; without, it is
// dropped. No cell changes; the outcome says whether the selection changed.
KeyOutcome ClickCell(EditorState& state, int track, int row, int character, bool shift, int fromTrack);

// The 10 characters of row in a "\r\n" column text.
inline char* RowTextIn(std::string& columnText, int row) { return columnText.data() + 12 * row; }

}  // namespace kelmar
