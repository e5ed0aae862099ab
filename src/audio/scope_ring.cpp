#include "audio/scope_ring.h"

#include <algorithm>
#include <cstring>

namespace kelmar {

namespace {

// Frames from..from+n of eight stems into n consecutive slots, one stereo pair at a time.
void Transpose(const int16_t* const* stems, int from, int n, ScopeFrame* out) {
  for (int c = 0; c < kChannelCount; ++c) {
    const int16_t* src = stems[c] + 2 * from;
    for (int i = 0; i < n; ++i) std::memcpy(&out[i].samples[2 * c], src + 2 * i, 2 * sizeof(int16_t));
  }
}

}  // namespace

ScopeRing::ScopeRing(int capacity)
    : capacity_(std::max(capacity, 1)), frames_(std::make_unique<ScopeFrame[]>(static_cast<size_t>(capacity_))) {}

int ScopeRing::Write(const int16_t* const* stems, int frames) {
  if (frames <= 0) return 0;
  const uint64_t head = written_.load(std::memory_order_relaxed);
  // Acquire: the consumer has finished copying out the slots it reports as read.
  const uint64_t fill = head - read_.load(std::memory_order_acquire);
  const int n = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(capacity_) - fill, frames));
  if (n < frames) dropped_.fetch_add(static_cast<uint64_t>(frames - n), std::memory_order_relaxed);
  const auto slot = static_cast<int>(head % static_cast<uint64_t>(capacity_));
  const int first = std::min(n, capacity_ - slot);
  Transpose(stems, 0, first, frames_.get() + slot);
  Transpose(stems, first, n - first, frames_.get());
  written_.store(head + static_cast<uint64_t>(n), std::memory_order_release);
  return n;
}

int ScopeRing::Read(ScopeFrame* out, int maxFrames) {
  const uint64_t tail = read_.load(std::memory_order_relaxed);
  const uint64_t available = written_.load(std::memory_order_acquire) - tail;
  const int n = static_cast<int>(std::min<uint64_t>(available, static_cast<uint64_t>(std::max(maxFrames, 0))));
  const auto slot = static_cast<int>(tail % static_cast<uint64_t>(capacity_));
  const int first = std::min(n, capacity_ - slot);
  std::copy_n(frames_.get() + slot, first, out);
  std::copy_n(frames_.get(), n - first, out + first);
  read_.store(tail + static_cast<uint64_t>(n), std::memory_order_release);
  return n;
}

void ScopeRing::Discard() { read_.store(written_.load(std::memory_order_acquire), std::memory_order_release); }

}  // namespace kelmar
