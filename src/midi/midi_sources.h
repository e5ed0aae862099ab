// The MIDI sources Kelmar sees and which of them feed its input port. A source seen for
// the first time is connected without being asked, unless it is a bridge that would hear
// a keyboard a second time; a source the listener turned on or off keeps that choice for
// the session, also when it is unplugged and plugged in again.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelmar {

enum class MidiSystem : uint8_t { Alsa, Jack };

struct MidiSource {
  MidiSystem system;
  std::string name;  // "client:port", as the system lists it
  bool connected = false;

  bool operator==(const MidiSource&) const = default;
};

// Whether a newly seen source is connected unasked. Not the sequencer's echo ports, and,
// while the ALSA sequencer is open, not the JACK ports that bridge its sources.
bool ConnectsOnSight(MidiSystem system, std::string_view name, bool alsaOpen);

class MidiSourceList {
 public:
  // What `system` lists now. Sources no longer listed are forgotten, new ones are added;
  // returns the new ones to connect.
  std::vector<std::string> Seen(MidiSystem system, const std::vector<std::string>& names, bool alsaOpen);
  // A connection was made or dropped.
  void Mark(MidiSystem system, const std::string& name, bool connected);
  // The listener turned a source on or off.
  void Choose(MidiSystem system, const std::string& name, bool connected);
  const std::vector<MidiSource>& Sources() const { return sources_; }

 private:
  std::vector<MidiSource> sources_;
  std::map<std::pair<MidiSystem, std::string>, bool> chosen_;
};

}  // namespace kelmar
