// What the scopes show: the newest frames taken from the audio thread's ring, and the mix's
// peaks in the frames of each drain. Window thread only.
#pragma once

#include <array>
#include <vector>

#include "audio/scope_ring.h"

namespace kelmar {

class ScopeHistory {
 public:
  static constexpr int kFrames = 2048;

  ScopeHistory();

  // Takes everything the ring holds and keeps the newest kFrames; returns how many came.
  int Drain(ScopeRing& ring);
  // Silence everywhere: flat lines.
  void Clear();

  // Voice c's left + right at frame i, 0 the oldest kept.
  int Sample(int voice, int i) const {
    const auto& s = frames_[static_cast<size_t>(i)].samples;
    return s[2 * voice] + s[2 * voice + 1];
  }
  // The largest magnitude of the mix's left (0) and right (1) side in the last drain, up to 32768.
  int DrainPeak(int side) const { return drainPeak_[side]; }

 private:
  void Append(const ScopeFrame* frames, int n);

  std::vector<ScopeFrame> frames_;
  std::vector<ScopeFrame> chunk_;
  std::array<int, 2> drainPeak_{};
};

}  // namespace kelmar
