#include "midi/midi_sources.h"

#include <algorithm>
#include <array>

namespace kelmar {

namespace {

std::string_view ClientOf(std::string_view name) { return name.substr(0, name.find(':')); }

// The sequencer's loop-back client, and the sound server's own bridge clients.
bool IsAlsaEcho(std::string_view client) { return client == "Midi Through" || client.starts_with("PipeWire-"); }

// JACK clients that carry the sequencer's sources into JACK: the server's own MIDI ports,
// the usual bridge program, and the sound server's bridge.
bool IsAlsaBridge(std::string_view client) {
  constexpr std::array<std::string_view, 3> kBridges{"system", "a2j", "Midi-Bridge"};
  return std::find(kBridges.begin(), kBridges.end(), client) != kBridges.end();
}

}  // namespace

bool ConnectsOnSight(MidiSystem system, std::string_view name, bool alsaOpen) {
  const std::string_view client = ClientOf(name);
  if (system == MidiSystem::Alsa) return !IsAlsaEcho(client);
  return !(alsaOpen && IsAlsaBridge(client));
}

std::vector<std::string> MidiSourceList::Seen(MidiSystem system, const std::vector<std::string>& names,
                                              bool alsaOpen) {
  std::erase_if(sources_, [&](const MidiSource& s) {
    return s.system == system && std::find(names.begin(), names.end(), s.name) == names.end();
  });
  std::vector<std::string> toConnect;
  for (const std::string& name : names) {
    const bool known = std::any_of(sources_.begin(), sources_.end(),
                                   [&](const MidiSource& s) { return s.system == system && s.name == name; });
    if (known) continue;
    sources_.push_back({system, name, false});
    const auto choice = chosen_.find({system, name});
    if (choice != chosen_.end() ? choice->second : ConnectsOnSight(system, name, alsaOpen)) toConnect.push_back(name);
  }
  return toConnect;
}

void MidiSourceList::Mark(MidiSystem system, const std::string& name, bool connected) {
  for (MidiSource& s : sources_) {
    if (s.system == system && s.name == name) s.connected = connected;
  }
}

void MidiSourceList::Choose(MidiSystem system, const std::string& name, bool connected) {
  chosen_[{system, name}] = connected;
}

}  // namespace kelmar
