#include "app/scopes/scope_history.h"

#include <algorithm>
#include <cstdlib>

namespace kelmar {

ScopeHistory::ScopeHistory() : frames_(kFrames, ScopeFrame{}), chunk_(kFrames) {}

int ScopeHistory::Drain(ScopeRing& ring) {
  drainPeak_ = {0, 0};
  int total = 0;
  for (int n; (n = ring.Read(chunk_.data(), kFrames)) > 0; total += n) {
    for (int i = 0; i < n; ++i) {
      for (int side = 0; side < 2; ++side) {
        int mix = 0;
        for (int c = 0; c < kChannelCount; ++c) mix += chunk_[static_cast<size_t>(i)].samples[2 * c + side];
        drainPeak_[side] = std::max(drainPeak_[side], std::abs(mix));
      }
    }
    Append(chunk_.data(), n);
  }
  return total;
}

void ScopeHistory::Clear() { std::fill(frames_.begin(), frames_.end(), ScopeFrame{}); }

void ScopeHistory::Append(const ScopeFrame* frames, int n) {
  // n never exceeds kFrames: the drain reads at most that much at a time.
  std::move(frames_.begin() + n, frames_.end(), frames_.begin());
  std::copy_n(frames, n, frames_.end() - n);
}

}  // namespace kelmar
