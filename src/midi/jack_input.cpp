// The JACK side: RtMidi owns the client and the port. Its openPort adds one more source to
// the same port; to drop one, the port is opened afresh with the rest.
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>

#include "midi/midi_backend.h"

namespace kelmar {

namespace {

void Quiet(const char*) {}

// libjack reports a missing server on stderr; Kelmar says so in its menu instead.
bool JackServerRuns() {
  jack_set_error_function(Quiet);
  jack_set_info_function(Quiet);
  jack_status_t status{};
  jack_client_t* probe = jack_client_open(kMidiPortName, JackNoStartServer, &status);
  if (!probe) return false;
  jack_client_close(probe);
  return true;
}

void IgnoreError(RtMidiError::Type, const std::string&, void*) {}

class JackInput final : public MidiBackend {
 public:
  explicit JackInput(const MidiNoteSink* sink) : in_(RtMidi::UNIX_JACK, kMidiPortName) {
    in_.setErrorCallback(&IgnoreError, nullptr);
    in_.setCallback(&DeliverMidiMessage, const_cast<MidiNoteSink*>(sink));
    in_.openVirtualPort(kMidiPortName);
  }

  std::vector<std::string> Sources() override {
    std::vector<std::string> names;
    const unsigned count = in_.getPortCount();
    for (unsigned i = 0; i < count; ++i) names.push_back(in_.getPortName(i));
    std::erase(names, std::string());  // gone between counting and naming
    return names;
  }

  bool Connect(const std::string& source) override {
    const std::vector<std::string> names = Sources();
    const auto at = std::find(names.begin(), names.end(), source);
    if (at == names.end()) return false;
    in_.openPort(static_cast<unsigned>(at - names.begin()), kMidiPortName);
    if (std::find(connected_.begin(), connected_.end(), source) == connected_.end()) connected_.push_back(source);
    return true;
  }

  bool Disconnect(const std::string& source) override {
    std::erase(connected_, source);
    in_.closePort();
    in_.openVirtualPort(kMidiPortName);
    const std::vector<std::string> keep = connected_;
    connected_.clear();
    for (const std::string& name : keep) Connect(name);
    return true;
  }

 private:
  RtMidiIn in_;
  std::vector<std::string> connected_;
};

}  // namespace

std::unique_ptr<MidiBackend> OpenJackInput(const MidiNoteSink* sink) {
  if (!JackServerRuns()) return nullptr;
  try {
    return std::make_unique<JackInput>(sink);
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

}  // namespace kelmar
