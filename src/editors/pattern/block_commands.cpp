#include "editors/pattern/block_commands.h"

#include <algorithm>

namespace kelmar {
namespace {

constexpr uint8_t kHighestEnteredNote = 107;  // B in octave 8, the highest note the keys enter

template <typename F>
void ForEachCell(Song& song, int pattern, const BlockRange& range, F f) {
  for (int t = range.firstTrack; t <= range.lastTrack; ++t)
    for (int r = range.firstRow; r <= range.lastRow; ++r) f(song.Cell(pattern, t, r));
}

bool SameCell(const PatternCell& a, const PatternCell& b) {
  return a.Note == b.Note && a.Effects == b.Effects && a.Param1 == b.Param1 && a.Param2 == b.Param2;
}

// first + (last - first) x step / steps, rounded to the nearest (halves up).
uint8_t Between(int first, int last, int step, int steps) {
  const int scaled = first * steps + (last - first) * step;  // never negative
  return static_cast<uint8_t>((2 * scaled + steps) / (2 * steps));
}

}  // namespace

bool PatternBlock::operator==(const PatternBlock& other) const {
  if (rows != other.rows || tracks != other.tracks) return false;
  for (int t = 0; t < tracks; ++t)
    for (int r = 0; r < rows; ++r)
      if (!SameCell(cells[t][r], other.cells[t][r])) return false;
  return true;
}

PatternBlock CopyBlock(const Song& song, int pattern, const BlockRange& range) {
  PatternBlock block;
  block.rows = range.Rows();
  block.tracks = range.Tracks();
  for (int t = 0; t < block.tracks; ++t)
    for (int r = 0; r < block.rows; ++r)
      block.cells[t][r] = song.Cell(pattern, range.firstTrack + t, range.firstRow + r);
  return block;
}

void ClearBlock(Song& song, int pattern, const BlockRange& range) {
  ForEachCell(song, pattern, range, [](PatternCell& cell) { cell = {kEmptyNote, 0, 0, 0}; });
}

void PasteBlock(Song& song, int pattern, int row, int track, const PatternBlock& block) {
  const int tracks = std::min(block.tracks, kTrackCount - track);
  const int rows = std::min(block.rows, kRowCount - row);
  for (int t = 0; t < tracks; ++t)
    for (int r = 0; r < rows; ++r) song.Cell(pattern, track + t, row + r) = block.cells[t][r];
}

void TransposeBlock(Song& song, int pattern, const BlockRange& range, int semitones) {
  ForEachCell(song, pattern, range, [semitones](PatternCell& cell) {
    if (cell.Note >= kEmptyNote) return;
    const int moved = cell.Note + semitones;
    if (moved >= 0 && moved <= kHighestEnteredNote) cell.Note = static_cast<uint8_t>(moved);
  });
}

bool InterpolateBlock(Song& song, int pattern, const BlockRange& range) {
  const int steps = range.Rows() - 1;
  if (steps < 2) return false;
  for (int t = range.firstTrack; t <= range.lastTrack; ++t) {
    const PatternCell first = song.Cell(pattern, t, range.firstRow);
    const PatternCell last = song.Cell(pattern, t, range.lastRow);
    for (int step = 1; step < steps; ++step) {
      PatternCell& cell = song.Cell(pattern, t, range.firstRow + step);
      if (cell.Effects != 0 && cell.Effects != first.Effects) continue;
      cell.Effects = first.Effects;
      cell.Param1 = Between(first.Param1, last.Param1, step, steps);
      cell.Param2 = Between(first.Param2, last.Param2, step, steps);
    }
  }
  return true;
}

void SetInstrumentInBlock(Song& song, int pattern, const BlockRange& range, uint8_t instrument) {
  ForEachCell(song, pattern, range, [instrument](PatternCell& cell) {
    if (cell.Note >= kEmptyNote) return;
    const int first = cell.Effect1();
    if (first != 0 && first != kEffectInstrument) return;
    cell.Effects = static_cast<uint8_t>((kEffectInstrument << 4) | (cell.Effects & 0x0F));
    cell.Param1 = instrument;
  });
}

}  // namespace kelmar
