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

// first + (last - first) x step / steps, rounded to the nearest (halves up); first and
// last are never negative.
int Between(int first, int last, int step, int steps) {
  const int scaled = first * steps + (last - first) * step;
  return (2 * scaled + steps) / (2 * steps);
}

// A parameter's value `step` of `steps` of the way from first to last, by what the effect
// reads it as. False for the effects whose parameter counts things (an instrument, an order
// entry, a row) and for those that do nothing: those are not interpolated.
bool Ramp(int effect, uint8_t first, uint8_t last, int step, int steps, uint8_t& value) {
  switch (effect) {
    case kEffectVolume:  // left gain in the high nibble, right in the low: each on its own
      value = static_cast<uint8_t>(Between(first >> 4, last >> 4, step, steps) << 4 |
                                   Between(first & 0x0F, last & 0x0F, step, steps));
      return true;
    case kEffectDetune:  // a signed byte
      value = static_cast<uint8_t>(Between(static_cast<int8_t>(first) + 128, static_cast<int8_t>(last) + 128, step, steps) - 128);
      return true;
    case kEffectSpeed:
    case kEffectTempo:
      value = static_cast<uint8_t>(Between(first, last, step, steps));
      return true;
    default:
      return false;
  }
}

// Column 1 or 2 of an in-between cell takes the effect and its ramped parameter, unless the
// cell holds another effect there.
void RampColumn(PatternCell& cell, int column, int effect, uint8_t first, uint8_t last, int step, int steps) {
  const int shift = column == 1 ? 4 : 0;
  const int own = (cell.Effects >> shift) & 0x0F;
  uint8_t& param = column == 1 ? cell.Param1 : cell.Param2;
  if ((own != 0 && own != effect) || !Ramp(effect, first, last, step, steps, param)) return;
  cell.Effects = static_cast<uint8_t>((cell.Effects & ~(0x0F << shift)) | effect << shift);
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

Interpolation InterpolateBlock(Song& song, int pattern, const BlockRange& range) {
  const int steps = range.Rows() - 1;
  if (steps < 2) return Interpolation::TooFewRows;
  for (int t = range.firstTrack; t <= range.lastTrack; ++t) {
    const PatternCell& first = song.Cell(pattern, t, range.firstRow);
    const PatternCell& last = song.Cell(pattern, t, range.lastRow);
    if (first.Effects != last.Effects) return Interpolation::EffectsDiffer;
  }
  for (int t = range.firstTrack; t <= range.lastTrack; ++t) {
    const PatternCell first = song.Cell(pattern, t, range.firstRow);
    const PatternCell last = song.Cell(pattern, t, range.lastRow);
    for (int step = 1; step < steps; ++step) {
      PatternCell& cell = song.Cell(pattern, t, range.firstRow + step);
      RampColumn(cell, 1, first.Effect1(), first.Param1, last.Param1, step, steps);
      RampColumn(cell, 2, first.Effect2(), first.Param2, last.Param2, step, steps);
    }
  }
  return Interpolation::Done;
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
