// MIDI keyboard input: the port "Kelmar" on the ALSA sequencer and, while a JACK server
// runs, on JACK; every source that appears is connected to it (see midi_sources.h).
// No Qt here: the notes go to a sink that runs on the MIDI library's thread, and the
// owner's sink hands them to the window thread. Every member runs on the window thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midi/midi_backend.h"
#include "midi/midi_sources.h"

namespace kelmar {

class MidiInput {
 public:
  explicit MidiInput(MidiNoteSink sink);
  ~MidiInput();  // closes the ports: no note reaches the sink afterwards
  MidiInput(const MidiInput&) = delete;
  MidiInput& operator=(const MidiInput&) = delete;

  // Opens what is not open yet, lists the sources and connects the new ones. Called at
  // start and then every second, so that a keyboard plugged in later works unasked.
  // True when the list of sources or their connections changed.
  bool Refresh();
  // Whether any MIDI system is open.
  bool Available() const { return alsa_ || jack_; }
  const std::vector<MidiSource>& Sources() const { return list_.Sources(); }
  // The listener's check mark: connects or disconnects one source.
  void SetConnected(MidiSystem system, const std::string& name, bool connected);

 private:
  MidiBackend* Backend(MidiSystem system) const { return (system == MidiSystem::Alsa ? alsa_ : jack_).get(); }
  bool RefreshSystem(MidiSystem system);

  MidiNoteSink sink_;
  std::unique_ptr<MidiBackend> alsa_;
  std::unique_ptr<MidiBackend> jack_;
  MidiSourceList list_;
};

}  // namespace kelmar
