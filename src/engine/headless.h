// Rendering without an audio device: for tests, benchmarks and command-line tools.
// Allocates only in the caller's vectors, never inside the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/engine.h"

namespace kelmar {

// FNV-1a, 64 bits, over bytes: a fingerprint of rendered audio.
uint64_t Fnv1a64(const void* data, size_t size, uint64_t hash = 0xcbf29ce484222325ull);
// The same over interleaved frames, hashing each sample as two little-endian bytes, so that
// the value equals the hash of the S16LE byte stream on any host.
uint64_t Fnv1a64Samples(const std::vector<int16_t>& samples, uint64_t hash = 0xcbf29ce484222325ull);

// Renders frames stereo frames (interleaved left/right) through RenderFrames.
std::vector<int16_t> RenderFramesHeadless(Engine& engine, int frames);

// Renders while a song plays, tick by tick, up to maxFrames: rendering ends with the last
// frame of the tick in which playback stopped. Returns the interleaved frames rendered.
std::vector<int16_t> RenderUntilStopped(Engine& engine, int maxFrames);

}  // namespace kelmar
