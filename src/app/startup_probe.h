// How long the window takes to come up, for the start-up benchmark: with KELMAR_LAUNCHED_NS
// set to the launch time (nanoseconds since the epoch, as `date +%s%N` prints it), Kelmar
// notes the stages of its start and, once the window is on the screen, prints them to
// stderr and quits, before the sound device, MIDI and the recovery offer start. Without it,
// nothing is noted.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

namespace kelmar {

class StartupProbe {
 public:
  StartupProbe();  // the launch time from the environment, and "main" now
  bool Active() const { return launched_.has_value(); }
  void Mark(const char* stage);
  // "shown" now: prints every stage and ends the event loop (Active only).
  void Finish();

 private:
  struct Stage {
    const char* name;
    std::chrono::system_clock::time_point at;
  };
  std::optional<std::chrono::system_clock::time_point> launched_;
  std::vector<Stage> stages_;
};

}  // namespace kelmar
