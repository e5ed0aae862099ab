// The editing state that the editors and the file commands share. One instance lives
// as long as the main window; nothing persists between runs.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "editors/key_map.h"

namespace kelmar {

struct TrackCursor {
  uint8_t CursorColumn = 0;  // 0..7: note, octave, effect 1, param 1 hi/lo, effect 2, param 2 hi/lo
  uint8_t CursorRow = 0;     // 0..31
};

// A block of the pattern editor: the rows and whole tracks between the cell where the
// selection began and the cell the cursor has moved to, in the pattern it was made in.
struct BlockSelection {
  bool Active = false;
  uint8_t Pattern = 0;
  uint8_t AnchorRow = 0;
  uint8_t AnchorTrack = 0;
  uint8_t EndRow = 0;
  uint8_t EndTrack = 0;
};

struct EditorState {
  // Instrument editor.
  uint8_t CurrentInstrument = 0;
  uint8_t PreviewOctave = 3;
  uint8_t PreviewVoice = 0;
  uint8_t PreviewDetune = 0;
  uint8_t EnvelopeTab = 0;     // 0 = VolEnv, 1 = SweepEnv
  uint8_t ModulatorPage = 0;   // 0 Arpeggio, 1 Noise, 2 Portamento, 3 Vibrato
  uint8_t InstrumentCopySource = 0;
  uint8_t EnvelopeCopyInstrument = 0;
  uint8_t EnvelopeCopyTab = 0;
  bool PreviewInDialogs = true;  // the Load / Instrument dialog plays the file highlighted
  bool HighContrast = false;     // the window in white on black, whatever the song's colours

  // Pattern editor.
  uint8_t CurrentPattern = 0;
  std::array<TrackCursor, 8> TrackCursors{};
  uint8_t EntryOctave = 0;
  NoteKeys Keys;  // the note and octave keys as bound
  bool AutoIxxEffect = true;
  uint8_t TrackCopyPattern = 0;
  uint8_t TrackCopyTrack = 0;
  BlockSelection Selection;
  bool FollowSong = true;  // the pattern view follows the playing song
  // Composing while it plays.
  uint8_t EditStep = 1;         // rows a note or "." entry moves the cursor on (0..8)
  uint8_t HighlightRows = 4;    // every n-th row is drawn as a beat row; 0: none
  bool LoopPattern = false;     // a pattern played alone starts again at its first row
  bool Record = false;          // while it plays, notes go to the row being heard
  bool RecordVelocity = false;  // a recorded MIDI note writes its velocity as a V effect

  // Order list editor.
  uint8_t OrderRow = 0;
  uint8_t OrderColumn = 0;

  // Files.
  std::string StartFolder;  // the working folder at start; base of the dialogs' folders
  // The file each instrument was last loaded from or saved to ("" for none); a new song or
  // a song load forgets them all.
  std::array<std::string, 256> InstrumentFiles;
};

}  // namespace kelmar
