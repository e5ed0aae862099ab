// Any byte string as one MIDI message from a keyboard: either no note, or a note of the pattern's
// range that is the message's key less two octaves.
#include <cstdint>
#include <cstdlib>

#include "midi/midi_note.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int note = kelmar::NoteOfMidiMessage(data, size);
  if (note == -1) return 0;
  if (note < 0 || note > 107 || size < 3 || note != data[1] - kelmar::kMidiNoteOffset) std::abort();
  return 0;
}
