// What an export measures of the mix it writes: the sample peak in dBFS and the integrated
// loudness in LUFS (EBU R128, gated), both by libebur128.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kelmar {

struct Loudness {
  bool measured = false;
  double peakDbfs = 0;  // -inf for digital silence
  double lufs = 0;      // -inf when every block is gated out (silence, or under 0.4 s)
};

class LoudnessMeter {
 public:
  explicit LoudnessMeter(uint32_t sampleRate);
  ~LoudnessMeter();
  LoudnessMeter(const LoudnessMeter&) = delete;
  LoudnessMeter& operator=(const LoudnessMeter&) = delete;

  // Interleaved left/right frames.
  void Add(const int16_t* frames, int count);
  Loudness Result() const;

 private:
  struct State;  // the library's meter
  std::unique_ptr<State> state_;
};

// "-14.2 LUFS, peak -0.8 dBFS", as kelmar-render --info and the export dialog show it.
std::string LoudnessText(const Loudness& loudness);

}  // namespace kelmar
