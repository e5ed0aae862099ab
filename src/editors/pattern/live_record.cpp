#include "editors/pattern/live_record.h"

#include <algorithm>

#include "editors/pattern/pattern_keys.h"

namespace kelmar {

PlayedRows PlayedRowsOf(const Engine& engine) {
  PlayedRows played;
  const uint64_t written = engine.RowMarksWritten;
  const uint64_t kept = std::min<uint64_t>(written, kRowMarkCount);
  for (uint64_t i = written - kept; i < written; ++i)
    played.rows[played.count++] = engine.RowMarks()[i % kRowMarkCount];
  // The next row starts once the ticks left of this row have run.
  RowMark& next = played.rows[played.count++];
  next.Frame = engine.RenderedFrames + engine.TickCountdown +
               static_cast<uint64_t>(engine.FrameLimit - engine.Frame) * engine.SamplesPerTick;
  next.Pattern = engine.PatternMode > 0 ? static_cast<uint8_t>(engine.PatternMode - 1)
                                        : OrderParamOf(engine.song.Order[engine.OrderPos]);
  next.Row = engine.Row & (kRowCount - 1);
  return played;
}

RecordPlace NearestRow(const PlayedRows& played, uint64_t heardFrame) {
  int i = 0;
  while (i + 1 < played.count && played.rows[i + 1].Frame <= heardFrame) ++i;
  if (i + 1 < played.count && heardFrame >= played.rows[i].Frame) {
    const uint64_t length = played.rows[i + 1].Frame - played.rows[i].Frame;
    if (2 * (heardFrame - played.rows[i].Frame) >= length) ++i;
  }
  const RowMark& mark = played.rows[i];
  return {mark.Pattern, mark.Row, i == played.count - 1};
}

uint8_t VelocityParam(int velocity) {
  constexpr int kFull = 127 * 127;
  const int v = std::clamp(velocity, 0, 127);
  const int level = (15 * v * v + kFull / 2) / kFull;
  return static_cast<uint8_t>(level * 0x11);
}

int HeldNotes::NoteOn(int key, int focusedTrack) {
  if (key < 0 || key >= static_cast<int>(trackOf_.size())) return focusedTrack;
  NoteOff(key);              // a key pressed again without its release is one note
  int track = focusedTrack;  // also when every track holds a note
  for (int k = 0; k < kTrackCount; ++k) {
    const int candidate = (focusedTrack + k) % kTrackCount;
    if (std::find(trackOf_.begin(), trackOf_.end(), candidate) != trackOf_.end()) continue;
    track = candidate;
    break;
  }
  trackOf_[key] = static_cast<int8_t>(track);
  return track;
}

void HeldNotes::NoteOff(int key) {
  if (key >= 0 && key < static_cast<int>(trackOf_.size())) trackOf_[key] = -1;
}

void WriteRecordedNote(Song& song, const EditorState& state, const RecordPlace& place, int track, int note,
                       int velocity) {
  PatternCell& cell = song.Patterns[place.pattern][track][place.row];
  WriteNoteCell(cell, note, state);
  if (velocity <= 0) return;
  cell.Effects = static_cast<uint8_t>((cell.Effects & 0xF0) | kEffectVolume);
  cell.Param2 = VelocityParam(velocity);
}

}  // namespace kelmar
