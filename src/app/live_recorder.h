// Option > "Record" while the song or a pattern plays: note keys and MIDI notes go to the
// row being heard, the focused track's cursor follows that row, and everything one take
// writes is one undo step, "Record". The rules are in editors/pattern/live_record.h; this
// reads the output clock and the player under EngineLock and records the steps.
#pragma once

#include <optional>

#include "app/app_context.h"
#include "editors/pattern/live_record.h"

namespace kelmar {

class LiveRecorder {
 public:
  explicit LiveRecorder(AppContext& ctx) : ctx_(ctx) {}

  // Record is on and something plays: a note goes to the row being heard.
  bool Recording() const;
  // Writes note (0..107) on track at the row heard at timeNs (AudioOutput::NowNs), sounds it
  // at once, and records the take's step. velocity 1..127 also writes its V effect.
  RecordPlace Record(int track, int note, int velocity, int64_t timeNs);
  // A MIDI note of the take: the track it goes to, and its release.
  int NoteOn(int key, int focusedTrack) { return held_.NoteOn(key, focusedTrack); }
  void NoteOff(int key) { held_.NoteOff(key); }
  // Playback stopped or started again, or Record was switched: the next note begins a take.
  void EndTake();
  // The row a note played now would go to, while recording.
  std::optional<RecordPlace> HeardNow() const;

 private:
  AppContext& ctx_;
  HeldNotes held_;
  int take_ = 0;
  bool takeOpen_ = false;
};

}  // namespace kelmar
