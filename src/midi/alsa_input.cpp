// The ALSA side: RtMidi owns the input port and its reading thread. RtMidi makes only one
// connection per port, so a sequencer handle of our own lists the sources and subscribes
// each to the port, as a patch bay would.
#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <optional>

#include "midi/midi_backend.h"

namespace kelmar {

namespace {

void Quiet(const char*, int, const char*, int, const char*, ...) {}

void IgnoreError(RtMidiError::Type, const std::string&, void*) {}

using Sequencer = std::unique_ptr<snd_seq_t, int (*)(snd_seq_t*)>;

// libasound reports a missing sequencer device on stderr; Kelmar says so in its menu instead.
Sequencer OpenSequencer() {
  snd_lib_error_set_handler(&Quiet);
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) seq = nullptr;
  snd_lib_error_set_handler(nullptr);
  return {seq, &snd_seq_close};
}

constexpr unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned kMidiTypes =
    SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_APPLICATION;

// Calls visit(client info, port info) for every port of every client but the system's.
template <typename Visit>
void ForEachPort(snd_seq_t* seq, Visit visit) {
  snd_seq_client_info_t* client;
  snd_seq_port_info_t* port;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(seq, client) >= 0) {
    const int id = snd_seq_client_info_get_client(client);
    if (id == SND_SEQ_CLIENT_SYSTEM) continue;
    snd_seq_port_info_set_client(port, id);
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(seq, port) >= 0) visit(client, port);
  }
}

class AlsaInput final : public MidiBackend {
 public:
  AlsaInput(Sequencer seq, const MidiNoteSink* sink) : seq_(std::move(seq)), in_(RtMidi::LINUX_ALSA, kMidiPortName) {
    in_.setErrorCallback(&IgnoreError, nullptr);
    in_.setCallback(&DeliverMidiMessage, const_cast<MidiNoteSink*>(sink));
    in_.openVirtualPort(kMidiPortName);
    port_ = FindOwnPort();
  }
  bool HasPort() const { return port_.has_value(); }

  std::vector<std::string> Sources() override {
    addresses_.clear();
    std::vector<std::string> names;
    ForEachPort(seq_.get(), [&](snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
      const unsigned caps = snd_seq_port_info_get_capability(port);
      if ((caps & kReadable) != kReadable || (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) return;
      if ((snd_seq_port_info_get_type(port) & kMidiTypes) == 0) return;
      if (snd_seq_client_info_get_pid(client) == getpid()) return;
      const std::string listed =
          std::string(snd_seq_client_info_get_name(client)) + ':' + snd_seq_port_info_get_name(port);
      // Two keyboards of one make list the same name; the second is told apart by a number.
      std::string name = listed;
      for (int n = 2; addresses_.count(name); ++n) name = listed + " (" + std::to_string(n) + ')';
      addresses_[name] = *snd_seq_port_info_get_addr(port);
      names.push_back(name);
    });
    return names;
  }

  bool Connect(const std::string& source) override { return Subscribe(source, true); }
  bool Disconnect(const std::string& source) override { return Subscribe(source, false); }

 private:
  // RtMidi's client is the other one of this process that has a port named as ours.
  std::optional<snd_seq_addr_t> FindOwnPort() {
    std::optional<snd_seq_addr_t> found;
    const int self = snd_seq_client_id(seq_.get());
    ForEachPort(seq_.get(), [&](snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
      if (snd_seq_client_info_get_pid(client) != getpid() || snd_seq_client_info_get_client(client) == self) return;
      if (std::string(snd_seq_port_info_get_name(port)) == kMidiPortName) found = *snd_seq_port_info_get_addr(port);
    });
    return found;
  }

  bool Subscribe(const std::string& source, bool on) {
    const auto from = addresses_.find(source);
    if (from == addresses_.end() || !port_) return false;
    snd_seq_port_subscribe_t* subscription;
    snd_seq_port_subscribe_alloca(&subscription);
    snd_seq_port_subscribe_set_sender(subscription, &from->second);
    snd_seq_port_subscribe_set_dest(subscription, &*port_);
    if (on) {
      // Already connected (by a patch bay, say) counts as connected.
      const int result = snd_seq_subscribe_port(seq_.get(), subscription);
      return result == 0 || result == -EBUSY;
    }
    const int result = snd_seq_unsubscribe_port(seq_.get(), subscription);
    return result == 0 || result == -ENOENT;
  }

  Sequencer seq_;
  RtMidiIn in_;
  std::optional<snd_seq_addr_t> port_;
  std::map<std::string, snd_seq_addr_t> addresses_;
};

}  // namespace

std::unique_ptr<MidiBackend> OpenAlsaInput(const MidiNoteSink* sink) {
  Sequencer seq = OpenSequencer();
  if (!seq) return nullptr;
  try {
    auto input = std::make_unique<AlsaInput>(std::move(seq), sink);
    if (input->HasPort()) return input;
  } catch (const RtMidiError&) {
  }
  return nullptr;
}

}  // namespace kelmar
