#include "editors/pattern/pattern_keys.h"

#include <algorithm>

#include "editors/pattern/block_selection.h"
#include "editors/pattern/pattern_text.h"

namespace kelmar {
namespace {

constexpr PatternCell kEmptyCell{kEmptyNote, 0, 0, 0};

char32_t Upper(char32_t ch) { return (ch >= 'a' && ch <= 'z') ? ch - 'a' + 'A' : ch; }

int HexValue(char32_t upper) {
  if (upper >= '0' && upper <= '9') return static_cast<int>(upper - '0');
  if (upper >= 'A' && upper <= 'F') return static_cast<int>(upper - 'A' + 10);
  return -1;
}

// Effect code of an effect letter, 0 for the erasing keys, -1 for anything else.
int EffectValue(char32_t upper) {
  if (upper == ' ' || upper == '.' || upper == '0') return 0;
  for (int code = 1; code <= 9; ++code) {
    if (static_cast<char32_t>(kEffectLetters[code]) == upper) return code;
  }
  return -1;
}

void NextRow(TrackCursor& cursor) {
  if (cursor.CursorRow < kRowCount - 1) ++cursor.CursorRow;
}

// After a note or "." entry the cursor moves on by the edit step; it stops at the last row,
// as one step does, so a step never wraps a note into the top of the pattern.
void StepRow(TrackCursor& cursor, uint8_t step) {
  cursor.CursorRow = static_cast<uint8_t>(std::min(cursor.CursorRow + step, kRowCount - 1));
}

// Hands the cursor row over to the neighbouring track's column.
void WalkTo(EditorState& state, int fromTrack, int toTrack, uint8_t column, KeyOutcome& out) {
  state.TrackCursors[toTrack].CursorColumn = column;
  state.TrackCursors[toTrack].CursorRow = state.TrackCursors[fromTrack].CursorRow;
  out.focusTrack = toTrack;
}

void MoveRow(TrackCursor& cursor, int row, KeyOutcome& out) {
  cursor.CursorRow = static_cast<uint8_t>(std::clamp(row, 0, kRowCount - 1));
  out.consumed = true;
}

// The cursor's row on the neighbouring track (step -1 or 1), in the given column; at the
// first or last track nothing moves.
KeyOutcome StepTrack(EditorState& state, int track, int step, uint8_t column) {
  KeyOutcome out;
  out.consumed = true;
  const int to = track + step;
  if (to >= 0 && to < kTrackCount) WalkTo(state, track, to, column, out);
  return out;
}

bool Extends(PatternKey key) {
  switch (key) {
    case PatternKey::Left:
    case PatternKey::Right:
    case PatternKey::Up:
    case PatternKey::Down:
    case PatternKey::PageUp:
    case PatternKey::PageDown:
    case PatternKey::Home:
    case PatternKey::End: return true;
    default: return false;
  }
}

bool DropsSelection(PatternKey key) {
  return Extends(key) || key == PatternKey::Backspace || key == PatternKey::Enter || key == PatternKey::NextTrack ||
         key == PatternKey::PreviousTrack || key == PatternKey::Escape;
}

void EraseNote(PatternCell& cell, TrackCursor& cursor, uint8_t step, char* rowText, KeyOutcome& out) {
  cell.Note = kEmptyNote;
  rowText[0] = rowText[1] = rowText[2] = '.';
  out.rowTextChanged = true;
  cursor.CursorColumn = 0;
  StepRow(cursor, step);
}

}  // namespace

PatternKey PatternKeyOf(const PlatformKey& key) {
  switch (key.Key) {
    case toolkit_key::kLeft: return PatternKey::Left;
    case toolkit_key::kRight: return PatternKey::Right;
    case toolkit_key::kUp: return PatternKey::Up;
    case toolkit_key::kDown: return PatternKey::Down;
    case toolkit_key::kBackspace: return PatternKey::Backspace;
    case toolkit_key::kReturn:
    case toolkit_key::kEnter: return PatternKey::Enter;
    case toolkit_key::kInsert: return PatternKey::Insert;
    case toolkit_key::kDelete: return PatternKey::Delete;
    case toolkit_key::kPageUp: return PatternKey::PageUp;
    case toolkit_key::kPageDown: return PatternKey::PageDown;
    case toolkit_key::kHome: return PatternKey::Home;
    case toolkit_key::kEnd: return PatternKey::End;
    case toolkit_key::kTab: return PatternKey::NextTrack;
    case toolkit_key::kBacktab: return PatternKey::PreviousTrack;
    case toolkit_key::kEscape: return PatternKey::Escape;
    default: break;
  }
  if (key.Keypad) {
    if (key.Key == toolkit_key::kPlus) return PatternKey::KeypadPlus;
    if (key.Key == toolkit_key::kMinus) return PatternKey::KeypadMinus;
    return PatternKey::Other;
  }
  switch (StepKeyOf(key)) {
    case StepKey::Plus: return PatternKey::PatternPlus;
    case StepKey::Minus: return PatternKey::PatternMinus;
    case StepKey::None: break;
  }
  return PatternKey::Other;
}

namespace {

// What a key does, the selection aside.
KeyOutcome KeyDownAction(Song& song, EditorState& state, int track, PatternKey key) {
  KeyOutcome out;
  TrackCursor& cursor = state.TrackCursors[track];
  Track& cells = song.Patterns[state.CurrentPattern][track];
  switch (key) {
    case PatternKey::Left:
    case PatternKey::Backspace:
      out.consumed = true;
      if (cursor.CursorColumn > 0) {
        --cursor.CursorColumn;
      } else if (track > 0) {
        WalkTo(state, track, track - 1, kColumnCount - 1, out);
      }
      break;
    case PatternKey::Right:
      out.consumed = true;
      if (cursor.CursorColumn < kColumnCount - 1) {
        ++cursor.CursorColumn;
      } else if (track < kTrackCount - 1) {
        WalkTo(state, track, track + 1, 0, out);
      }
      break;
    case PatternKey::Up:
      out.consumed = true;
      if (cursor.CursorRow > 0) --cursor.CursorRow;
      break;
    case PatternKey::Down:
      out.consumed = true;
      NextRow(cursor);
      break;
    case PatternKey::Enter:
      out.consumed = true;
      if (cells[cursor.CursorRow].Note < kEmptyNote) out.previewNote = cells[cursor.CursorRow].Note;
      cursor.CursorColumn = 0;
      NextRow(cursor);
      break;
    case PatternKey::Insert:
      for (int r = kRowCount - 1; r > cursor.CursorRow; --r) cells[r] = cells[r - 1];
      cells[cursor.CursorRow] = kEmptyCell;
      out.refreshView = true;
      break;
    case PatternKey::Delete:
      for (int r = cursor.CursorRow; r < kRowCount - 1; ++r) cells[r] = cells[r + 1];
      cells[kRowCount - 1] = kEmptyCell;
      out.refreshView = true;
      break;
    case PatternKey::KeypadPlus:
      state.CurrentInstrument = static_cast<uint8_t>(state.CurrentInstrument + 1);
      out.instrumentChanged = true;
      break;
    case PatternKey::KeypadMinus:
      state.CurrentInstrument = static_cast<uint8_t>(state.CurrentInstrument - 1);
      out.instrumentChanged = true;
      break;
    case PatternKey::PatternPlus:
      if (state.CurrentPattern < kPatternCount - 1) ++state.CurrentPattern;
      out.patternStepped = true;
      out.refreshView = true;
      break;
    case PatternKey::PatternMinus:
      if (state.CurrentPattern > 0) --state.CurrentPattern;
      out.patternStepped = true;
      out.refreshView = true;
      break;
    case PatternKey::PageUp: MoveRow(cursor, cursor.CursorRow - 8, out); break;
    case PatternKey::PageDown: MoveRow(cursor, cursor.CursorRow + 8, out); break;
    case PatternKey::Home: MoveRow(cursor, 0, out); break;
    case PatternKey::End: MoveRow(cursor, kRowCount - 1, out); break;
    case PatternKey::NextTrack: out = StepTrack(state, track, 1, 0); break;
    case PatternKey::PreviousTrack: out = StepTrack(state, track, -1, 0); break;
    case PatternKey::Escape:
    case PatternKey::Other:
      break;
  }
  return out;
}

}  // namespace

KeyOutcome PatternKeyDown(Song& song, EditorState& state, int track, PatternKey key, bool shift) {
  const int fromRow = state.TrackCursors[track].CursorRow;
  const bool extend = shift && Extends(key);
  // Shift+Left / Shift+Right select by whole tracks: the cursor keeps its column.
  const uint8_t column = state.TrackCursors[track].CursorColumn;
  KeyOutcome out = extend && (key == PatternKey::Left || key == PatternKey::Right)
                       ? StepTrack(state, track, key == PatternKey::Left ? -1 : 1, column)
                       : KeyDownAction(song, state, track, key);
  if (extend) {
    const int to = out.focusTrack >= 0 ? out.focusTrack : track;
    ExtendSelection(state, fromRow, track, state.TrackCursors[to].CursorRow, to);
    out.selectionChanged = true;
  } else if (DropsSelection(key) && state.Selection.Active) {
    ClearSelection(state);
    out.selectionChanged = true;
  }
  return out;
}

KeyOutcome ClickCell(EditorState& state, int track, int row, int character, bool shift, int fromTrack) {
  KeyOutcome out;
  const int fromRow = state.TrackCursors[fromTrack].CursorRow;
  TrackCursor& cursor = state.TrackCursors[track];
  cursor.CursorRow = static_cast<uint8_t>(std::clamp(row, 0, kRowCount - 1));
  cursor.CursorColumn = 0;
  while (cursor.CursorColumn + 1 < kColumnCount && kColumnOffset[cursor.CursorColumn + 1] <= character) ++cursor.CursorColumn;
  if (shift) {
    ExtendSelection(state, fromRow, fromTrack, cursor.CursorRow, track);
    out.selectionChanged = true;
  } else if (state.Selection.Active) {
    ClearSelection(state);
    out.selectionChanged = true;
  }
  return out;
}

int NoteOfKey(const EditorState& state, char32_t ch, int pianoKey) {
  // A note key's place wins over what it types: the Dvorak board types "." on E's place.
  const int piano = pianoKey == kPianoUnknown ? PianoKeyFromChar(ch, state.Keys) : pianoKey;
  if (piano < 0) return -1;
  return (state.EntryOctave + piano / 12) * 12 + piano % 12;
}

void WriteNoteCell(PatternCell& cell, int note, const EditorState& state) {
  cell.Note = static_cast<uint8_t>(note);
  if (!state.AutoIxxEffect) return;
  cell.Effects = static_cast<uint8_t>((kEffectInstrument << 4) | (cell.Effects & 0x0F));
  cell.Param1 = state.CurrentInstrument;
}

KeyOutcome EnterNote(Song& song, EditorState& state, int track, int note, char* rowText) {
  KeyOutcome out;
  TrackCursor& cursor = state.TrackCursors[track];
  PatternCell& cell = song.Patterns[state.CurrentPattern][track][cursor.CursorRow];
  const int semitone = note % 12;
  WriteNoteCell(cell, note, state);
  rowText[0] = kNoteNames[semitone * 2];
  rowText[1] = kNoteNames[semitone * 2 + 1];
  rowText[2] = static_cast<char>('0' + note / 12);
  out.previewNote = cell.Note;
  if (state.AutoIxxEffect) {
    rowText[4] = kEffectLetters[kEffectInstrument];
    rowText[5] = kHexDigits[state.CurrentInstrument >> 4];
    rowText[6] = kHexDigits[state.CurrentInstrument & 15];
  }
  out.rowTextChanged = true;
  cursor.CursorColumn = 0;
  StepRow(cursor, state.EditStep);
  return out;
}

KeyOutcome PatternKeyPress(Song& song, EditorState& state, int track, char32_t ch, int pianoKey, char* rowText) {
  KeyOutcome out;
  TrackCursor& cursor = state.TrackCursors[track];
  PatternCell& cell = song.Patterns[state.CurrentPattern][track][cursor.CursorRow];
  const char32_t upper = Upper(ch);
  switch (cursor.CursorColumn) {
    case 0: {
      const int note = NoteOfKey(state, ch, pianoKey);
      if (note < 0 && ch == '.') {
        EraseNote(cell, cursor, state.EditStep, rowText, out);
        break;
      }
      if (note >= 0) out = EnterNote(song, state, track, note, rowText);
      break;
    }
    case 1: {
      if (ch == '.') {
        EraseNote(cell, cursor, state.EditStep, rowText, out);
        break;
      }
      if (ch < '0' || ch > '7') break;
      const int octave = static_cast<int>(ch - '0');
      state.EntryOctave = static_cast<uint8_t>(octave);
      // An empty row stays empty: an octave alone names no note, and inventing one
      // would leave the cell and its "..." text telling different stories.
      if (cell.Note < kEmptyNote) {
        cell.Note = static_cast<uint8_t>(cell.Note % 12 + 12 * octave);
        rowText[2] = static_cast<char>(ch);
        out.rowTextChanged = true;
      }
      cursor.CursorColumn = 2;
      break;
    }
    case 2:
    case 5: {
      const int code = EffectValue(upper);
      if (code < 0) break;
      if (cursor.CursorColumn == 2) {
        cell.Effects = static_cast<uint8_t>((code << 4) | (cell.Effects & 0x0F));
      } else {
        cell.Effects = static_cast<uint8_t>((cell.Effects & 0xF0) | code);
      }
      rowText[kColumnOffset[cursor.CursorColumn]] = kEffectLetters[code];
      out.rowTextChanged = true;
      ++cursor.CursorColumn;
      break;
    }
    default: {  // parameter digits: columns 3, 4, 6, 7
      const int value = HexValue(upper);
      if (value < 0) break;
      const int column = cursor.CursorColumn;
      uint8_t& param = column <= 4 ? cell.Param1 : cell.Param2;
      const bool high = column == 3 || column == 6;
      param = static_cast<uint8_t>(high ? (value << 4) | (param & 0x0F) : (param & 0xF0) | value);
      rowText[kColumnOffset[column]] = kHexDigits[value];
      out.rowTextChanged = true;
      if (column != kColumnCount - 1) {
        ++cursor.CursorColumn;
      } else if (track < kTrackCount - 1) {
        WalkTo(state, track, track + 1, 0, out);
      }
      break;
    }
  }
  return out;
}

}  // namespace kelmar
