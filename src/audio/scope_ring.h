// The scopes' feed: a lock-free ring of frames from the audio thread to the window thread,
// each frame the eight voices' stereo samples as the listener hears them (their sum is the
// output). One producer and one consumer; neither ever waits for the other.
//
// Threads: Write is the producer's (the audio callback), Read and Discard the consumer's
// (the window thread). Capacity and Dropped are safe from any thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/engine.h"

namespace kelmar {

struct ScopeFrame {
  std::array<int16_t, 2 * kChannelCount> samples;  // voice c: left at 2c, right at 2c + 1
  bool operator==(const ScopeFrame&) const = default;
};

class ScopeRing {
 public:
  static constexpr int kDefaultCapacity = 16384;  // over a third of a second at 44100 Hz

  // All memory is taken here; Write and Read never allocate.
  explicit ScopeRing(int capacity = kDefaultCapacity);
  ScopeRing(const ScopeRing&) = delete;
  ScopeRing& operator=(const ScopeRing&) = delete;

  // Copies `frames` frames of eight interleaved stereo stems in. What does not fit is
  // dropped and counted, so the audio thread never waits. Returns the frames taken.
  int Write(const int16_t* const* stems, int frames);
  // Takes out up to maxFrames frames, oldest first. Returns how many.
  int Read(ScopeFrame* out, int maxFrames);
  // Forgets every frame written so far.
  void Discard();

  int Capacity() const { return capacity_; }
  uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  const int capacity_;
  std::unique_ptr<ScopeFrame[]> frames_;
  // Frames ever written and read; their difference is the fill. Apart so that the two
  // threads do not share a cache line.
  alignas(64) std::atomic<uint64_t> written_{0};
  alignas(64) std::atomic<uint64_t> read_{0};
  std::atomic<uint64_t> dropped_{0};
};

}  // namespace kelmar
