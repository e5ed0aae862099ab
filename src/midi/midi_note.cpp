#include "midi/midi_note.h"

namespace kelmar {

namespace {

constexpr uint8_t kNoteOnStatus = 0x90;
constexpr int kHighestNote = 107;

}  // namespace

int NoteOfMidiMessage(const uint8_t* bytes, size_t size) {
  if (size < 3 || (bytes[0] & 0xF0) != kNoteOnStatus) return -1;
  const uint8_t key = bytes[1];
  const uint8_t velocity = bytes[2];
  // Velocity 0 is the usual way of saying note-off; data bytes never have the top bit set.
  if (velocity == 0 || velocity > 0x7F || key > 0x7F) return -1;
  const int note = key - kMidiNoteOffset;
  return note >= 0 && note <= kHighestNote ? note : -1;
}

}  // namespace kelmar
