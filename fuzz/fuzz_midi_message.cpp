// Any byte string as one MIDI message from a keyboard: either no note, or a note of the pattern's
// range that is the message's key less two octaves, played with a velocity or released.
#include <cstdint>
#include <cstdlib>

#include "midi/midi_note.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kelmar::MidiNoteEvent event = kelmar::ReadMidiNote(data, size);
  if (event.note == -1) return 0;
  if (event.note < 0 || event.note > 107 || size < 3 || event.note != data[1] - kelmar::kMidiNoteOffset) std::abort();
  if (event.on != (event.velocity > 0) || event.velocity > 127) std::abort();
  return 0;
}
