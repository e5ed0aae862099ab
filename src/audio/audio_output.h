// The audio output: the SDL 1.2 audio stream that plays what the engine renders.
// This is the only code that calls SDL.
//
// Threads: every member function runs on the window thread, except Callback, which
// SDL runs on its audio thread. While a device is open the engine's lock hooks are
// SDL's audio lock, so an EngineLock on the window thread keeps the callback out.
// The scopes' feed reaches the window thread through a lock-free ring, never that lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/scope_ring.h"
#include "engine/audition.h"
#include "engine/engine.h"

namespace kelmar {

struct SdlAudioApi;

// When the last stream buffer was asked for: its first frame (counted as
// Engine::RenderedFrames), the time of the callback (AudioOutput::NowNs), and the frames the
// device still held then.
struct OutputClock {
  uint64_t frame = 0;
  int64_t ns = 0;  // 0: no callback yet
  int heldFrames = 0;
};

// The frame being heard at timeNs: the buffer's first frame, plus the time since its callback,
// less what the device held; never past what was rendered. Without a clock, what was rendered.
uint64_t HeardFrameAt(const OutputClock& clock, int64_t timeNs, uint16_t sampleRate, uint64_t rendered);

class AudioOutput {
 public:
  explicit AudioOutput(Engine& engine);
  ~AudioOutput();  // closes a stream still open, so no callback outlives the engine
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Initialises SDL's audio subsystem and opens the stream: SampleRate, signed 16-bit
  // little-endian stereo, BufferSize frames per callback. The stream is started whether
  // or not the open worked; true when a device plays.
  bool OpenAudio();
  // Stops the stream, closes the device and shuts SDL down. Harmless when nothing is open.
  void CloseAudio();
  // true: no more callbacks until resumed, and none still running when this returns
  // (WAV export renders on the window thread meanwhile).
  void PauseAudio(bool pause);

  // The option items: close, store the value, recompute SamplesPerTick from the song's
  // tempo, rebuild the frequency table for the rate, open again. Playback state survives.
  bool ReopenWithSampleRate(uint16_t sampleRate);
  bool ReopenWithBufferSize(uint16_t bufferSize);

  // Whether a device is open and the callback runs (the window shows when there is none).
  bool IsOpen() const { return open_; }
  // Callbacks run since construction (tests use it to know how much was rendered).
  uint64_t CallbackCount() const { return callbacks_.load(std::memory_order_acquire); }
  // How long one buffer plays: callbacks normally come at least this often.
  int BufferMilliseconds() const;

  // The output clock, for recording: the frame of the engine's output being heard at
  // timeNs, a time of NowNs() (see HeardFrameAt). A device is taken to hold one more buffer
  // when it asks for the next, a sound card's usual double buffering; SDL's dummy and disk
  // drivers hold none. Window thread, under EngineLock.
  uint64_t HeardFrame(int64_t timeNs) const;
  static int64_t NowNs();  // the steady clock, in nanoseconds; any thread

  // The scopes' feed. While on, each rendered buffer's eight stems also go into scopeRing()
  // (the window thread reads it); off, the callback renders exactly as without scopes.
  void SetScopeFeed(bool on) { scopeFeed_.store(on, std::memory_order_relaxed); }
  bool ScopeFeed() const { return scopeFeed_.load(std::memory_order_relaxed); }
  ScopeRing& scopeRing() { return scopeRing_; }

  // The voice that plays instruments outside the song, added to what the song plays. Window
  // thread, under EngineLock of the output's engine; it follows the output's rate.
  Audition& audition() { return audition_; }

  // The SDL callback (audio thread): renders into the stream through Engine::RenderBuffer.
  // Public so that benchmarks and tests can run exactly what SDL runs.
  static void Callback(void* userdata, uint8_t* stream, int len);

 private:
  void RenderInto(uint8_t* stream, int len);
  void RenderBuffer(uint8_t* out);
  template <typename Apply>
  bool Reopen(Apply apply);

  Engine& engine_;
  Audition audition_;
  const SdlAudioApi* sdl_ = nullptr;  // loaded by the first open
  bool open_ = false;
  bool subsystem_ = false;
  std::atomic<uint64_t> callbacks_{0};
  // Used only if SDL ever offers a different byte count than one engine buffer:
  // the engine always renders whole buffers, so the surplus waits here.
  std::array<uint8_t, 4 * kMaxBufferSize> staging_{};
  int stagingPos_ = 0;
  int stagingLen_ = 0;
  // Only a switch: the ring's own indices order the frames between the threads.
  std::atomic<bool> scopeFeed_{false};
  ScopeRing scopeRing_;
  // The callbacks' clocks, the newest at clocksWritten_ - 1: a note is placed from the
  // callback just before it, so a device clock a little off its rate never adds up. The
  // callback writes them as it begins (SDL holds the engine's lock around it); the open
  // clears them.
  static constexpr int kClockCount = 128;
  std::array<OutputClock, kClockCount> clocks_{};
  uint32_t clocksWritten_ = 0;
  int deviceHeldFrames_ = 0;                // window thread, at the open
  std::unique_ptr<int16_t[]> stemScratch_;  // eight stems of kMaxBufferSize stereo frames
  std::array<int16_t*, kChannelCount> stems_{};
};

}  // namespace kelmar
