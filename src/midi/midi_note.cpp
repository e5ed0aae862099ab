#include "midi/midi_note.h"

namespace kelmar {

namespace {

constexpr uint8_t kNoteOffStatus = 0x80;
constexpr uint8_t kNoteOnStatus = 0x90;
constexpr int kHighestNote = 107;

}  // namespace

MidiNoteEvent ReadMidiNote(const uint8_t* bytes, size_t size) {
  MidiNoteEvent event;
  const uint8_t status = size >= 3 ? bytes[0] & 0xF0 : 0;
  if (status != kNoteOnStatus && status != kNoteOffStatus) return event;
  const uint8_t key = bytes[1];
  const uint8_t velocity = bytes[2];
  // Data bytes never have the top bit set.
  if (velocity > 0x7F || key > 0x7F) return event;
  const int note = key - kMidiNoteOffset;
  if (note < 0 || note > kHighestNote) return event;
  event.note = note;
  // Velocity 0 is the usual way of saying note-off.
  event.on = status == kNoteOnStatus && velocity > 0;
  event.velocity = event.on ? velocity : 0;
  return event;
}

}  // namespace kelmar
