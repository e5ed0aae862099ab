// What a MIDI message asks of the editors. A note-on with a velocity above 0 plays a note,
// a note-off (or a note-on with velocity 0) releases it: MIDI note 60 (middle C) is C-3, so
// MIDI note n is note n - 24, and the notes outside 0..107 have no place in a pattern.
// Controllers ask nothing yet.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelmar {

constexpr int kMidiNoteOffset = 24;

struct MidiNoteEvent {
  int note = -1;       // 0..107; -1: the message is no note of the pattern's range
  int velocity = 0;    // 1..127 for a note-on
  bool on = false;     // a note-on; else a release
  int64_t timeNs = 0;  // when it arrived, on the steady clock (set by whoever received it)
};

// The note that one complete MIDI message plays or releases.
MidiNoteEvent ReadMidiNote(const uint8_t* bytes, size_t size);

}  // namespace kelmar
