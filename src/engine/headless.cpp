#include "engine/headless.h"

#include <algorithm>

namespace kelmar {

uint64_t Fnv1a64(const void* data, size_t size, uint64_t hash) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

uint64_t Fnv1a64Samples(const std::vector<int16_t>& samples, uint64_t hash) {
  for (int16_t s : samples) {
    const uint16_t v = static_cast<uint16_t>(s);
    const uint8_t le[2] = {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
    hash = Fnv1a64(le, 2, hash);
  }
  return hash;
}

std::vector<int16_t> RenderFramesHeadless(Engine& engine, int frames) {
  std::vector<int16_t> out(2 * static_cast<size_t>(std::max(frames, 0)));
  if (frames > 0) engine.RenderFrames(out.data(), frames);
  return out;
}

std::vector<int16_t> RenderUntilStopped(Engine& engine, int maxFrames) {
  std::vector<int16_t> out;
  int done = 0;
  while (done < maxFrames && engine.Playing) {
    // One tick at a time, so that rendering ends with the tick after the stop.
    const int tick = engine.TickCountdown == 0 ? engine.SamplesPerTick : engine.TickCountdown;
    const int n = std::min(maxFrames - done, std::max(tick, 1));
    const size_t at = out.size();
    out.resize(at + 2 * static_cast<size_t>(n));
    engine.RenderFrames(out.data() + at, n);
    done += n;
  }
  return out;
}

}  // namespace kelmar
