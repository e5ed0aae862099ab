// One MIDI system's side of the input: Kelmar's port on it, the sources it lists, and the
// connections from those sources to the port. Every member runs on the window thread; the
// notes arrive on the library's own thread and go straight to the sink.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/midi_note.h"

namespace kelmar {

// Receives each note (0..107) played or released into the port, stamped with the time it
// arrived; runs on a MIDI library thread.
using MidiNoteSink = std::function<void(const MidiNoteEvent& note)>;

inline constexpr const char* kMidiPortName = "Kelmar";

class MidiBackend {
 public:
  virtual ~MidiBackend() = default;
  // The sources' names, "client:port", in the system's order.
  virtual std::vector<std::string> Sources() = 0;
  virtual bool Connect(const std::string& source) = 0;
  virtual bool Disconnect(const std::string& source) = 0;
};

// Null where the system is not there (no sequencer device, no JACK server). Neither prints
// nor waits when it is not: a missing system costs one failed open.
std::unique_ptr<MidiBackend> OpenAlsaInput(const MidiNoteSink* sink);
std::unique_ptr<MidiBackend> OpenJackInput(const MidiNoteSink* sink);

// The library's input callback: turns each note message into a note event for the sink.
void DeliverMidiMessage(double, std::vector<unsigned char>* message, void* sink);

}  // namespace kelmar
