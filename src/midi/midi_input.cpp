#include "midi/midi_input.h"

#include <chrono>

#include "midi/midi_note.h"

namespace kelmar {

void DeliverMidiMessage(double, std::vector<unsigned char>* message, void* sink) {
  MidiNoteEvent event = ReadMidiNote(message->data(), message->size());
  if (event.note < 0) return;
  event.timeNs =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
  (*static_cast<const MidiNoteSink*>(sink))(event);
}

MidiInput::MidiInput(MidiNoteSink sink) : sink_(std::move(sink)) {}

// The backends are declared after the sink, so their ports close before it goes.
MidiInput::~MidiInput() = default;

bool MidiInput::Refresh() {
  if (!alsa_) alsa_ = OpenAlsaInput(&sink_);
  if (!jack_) jack_ = OpenJackInput(&sink_);
  bool changed = RefreshSystem(MidiSystem::Alsa);
  changed |= RefreshSystem(MidiSystem::Jack);
  return changed;
}

bool MidiInput::RefreshSystem(MidiSystem system) {
  MidiBackend* backend = Backend(system);
  if (!backend) return false;
  const std::vector<MidiSource> before = list_.Sources();
  for (const std::string& name : list_.Seen(system, backend->Sources(), alsa_ != nullptr)) {
    list_.Mark(system, name, backend->Connect(name));
  }
  return before != list_.Sources();
}

void MidiInput::SetConnected(MidiSystem system, const std::string& name, bool connected) {
  MidiBackend* backend = Backend(system);
  if (!backend) return;
  list_.Choose(system, name, connected);
  const bool done = connected ? backend->Connect(name) : backend->Disconnect(name);
  if (done) list_.Mark(system, name, connected);
}

}  // namespace kelmar
