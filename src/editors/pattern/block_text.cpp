#include "editors/pattern/block_text.h"

#include <cstring>

#include "editors/pattern/pattern_text.h"

namespace kelmar {
namespace {

constexpr int kCellWidth = kRowTextLength + 1;  // a row text and the blank after it
constexpr int kFirstUnknownEffect = 10;          // the first code the text shows as "x"

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int ParamOf(const char* text) {
  const int high = HexDigit(text[0]);
  const int low = HexDigit(text[1]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

int EffectOf(char c) {
  if (c == 'x') return kFirstUnknownEffect;
  const char* at = c == 0 ? nullptr : std::strchr(kEffectLetters, c);
  return at && at - kEffectLetters < kFirstUnknownEffect ? static_cast<int>(at - kEffectLetters) : -1;
}

// The note of the first three characters, -1 when they are none.
int NoteOf(const char* text) {
  if (std::strncmp(text, "...", 3) == 0) return kEmptyNote;
  for (int semitone = 0; semitone < 12; ++semitone) {
    if (text[0] != kNoteNames[2 * semitone] || text[1] != kNoteNames[2 * semitone + 1]) continue;
    const int note = (text[2] - '0') * 12 + semitone;  // octaves past 9 show the characters after "9"
    return text[2] >= '0' && note < kEmptyNote ? note : -1;
  }
  return -1;
}

bool ParseCell(const char* text, PatternCell& cell) {
  const int note = NoteOf(text);
  const int effect1 = EffectOf(text[4]);
  const int param1 = ParamOf(text + 5);
  const int effect2 = EffectOf(text[7]);
  const int param2 = ParamOf(text + 8);
  if (note < 0 || text[3] != ' ' || effect1 < 0 || param1 < 0 || effect2 < 0 || param2 < 0) return false;
  cell = {static_cast<uint8_t>(note), static_cast<uint8_t>(effect1 << 4 | effect2), static_cast<uint8_t>(param1),
          static_cast<uint8_t>(param2)};
  return true;
}

// One line into row `row` of the block; the first line sets the block's width.
bool ParseLine(std::string_view line, int row, PatternBlock& block) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const int tracks = (static_cast<int>(line.size()) + 1) / kCellWidth;
  if (tracks < 1 || tracks > kTrackCount || static_cast<int>(line.size()) != tracks * kCellWidth - 1) return false;
  if (row > 0 && tracks != block.tracks) return false;
  block.tracks = tracks;
  for (int t = 0; t < tracks; ++t) {
    const char* cell = line.data() + t * kCellWidth;
    if (t + 1 < tracks && cell[kRowTextLength] != ' ') return false;
    if (!ParseCell(cell, block.cells[t][row])) return false;
  }
  return true;
}

}  // namespace

std::string BlockText(const PatternBlock& block) {
  std::string text;
  text.reserve(static_cast<size_t>(block.rows) * (block.tracks * kCellWidth));
  char row[kRowTextLength];
  for (int r = 0; r < block.rows; ++r) {
    for (int t = 0; t < block.tracks; ++t) {
      WriteRowText(block.cells[t][r], row);
      text.append(row, kRowTextLength);
      text += t + 1 < block.tracks ? ' ' : '\n';
    }
  }
  return text;
}

std::optional<PatternBlock> ParseBlockText(std::string_view text) {
  PatternBlock block;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (block.rows == kRowCount || !ParseLine(text.substr(0, end), block.rows, block)) return std::nullopt;
    ++block.rows;
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  if (block.Empty()) return std::nullopt;
  return block;
}

}  // namespace kelmar
