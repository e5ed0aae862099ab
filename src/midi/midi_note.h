// What a MIDI message asks of the editors. A note-on with a velocity above 0 plays a note:
// MIDI note 60 (middle C) is C-3, so MIDI note n is note n - 24, and the notes outside
// 0..107 have no place in a pattern. Note-off, velocity and controllers ask nothing yet.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelmar {

constexpr int kMidiNoteOffset = 24;

// The note (0..107) that one complete MIDI message plays, or -1.
int NoteOfMidiMessage(const uint8_t* bytes, size_t size);

}  // namespace kelmar
