#include "editors/pattern/pattern_text.h"

namespace kelmar {

void WriteRowText(const PatternCell& cell, char* out) {
  if (cell.Note >= kEmptyNote) {
    out[0] = out[1] = out[2] = '.';
  } else {
    out[0] = kNoteNames[(cell.Note % 12) * 2];
    out[1] = kNoteNames[(cell.Note % 12) * 2 + 1];
    // Notes 120..126 only come from files; they show the character after '9'.
    out[2] = static_cast<char>('0' + cell.Note / 12);
  }
  out[3] = ' ';
  out[4] = kEffectLetters[cell.Effects >> 4];
  out[5] = kHexDigits[cell.Param1 >> 4];
  out[6] = kHexDigits[cell.Param1 & 15];
  out[7] = kEffectLetters[cell.Effects & 15];
  out[8] = kHexDigits[cell.Param2 >> 4];
  out[9] = kHexDigits[cell.Param2 & 15];
}

std::string RowText(const PatternCell& cell) {
  std::string text(kRowTextLength, ' ');
  WriteRowText(cell, text.data());
  return text;
}

std::string TrackText(const Song& song, int pattern, int track, const char* lineBreak) {
  const std::string breakText(lineBreak);
  std::string text;
  text.reserve(kRowCount * (kRowTextLength + breakText.size()));
  char row[kRowTextLength];
  for (int r = 0; r < kRowCount; ++r) {
    if (r > 0) text += breakText;
    WriteRowText(song.Cell(pattern, track, r), row);
    text.append(row, kRowTextLength);
  }
  return text;
}

std::string RowNumberText(const char* lineBreak) {
  std::string text;
  for (int r = 0; r < kRowCount; ++r) {
    if (r > 0) text += lineBreak;
    text += static_cast<char>('0' + r / 10);
    text += static_cast<char>('0' + r % 10);
  }
  return text;
}

std::string HexByte(int value) {
  return {kHexDigits[(value >> 4) & 15], kHexDigits[value & 15]};
}

std::string PatternLabelText(int pattern) { return "  " + HexByte(pattern); }

int CaretPosition(const EditorState& state, int track, int lineLength) {
  const TrackCursor& cursor = state.TrackCursors[track];
  return lineLength * cursor.CursorRow + kColumnOffset[cursor.CursorColumn & 7];
}

}  // namespace kelmar
