// The engine: song, generated tables, the eight voices, the renderer and the player,
// all in one object so that tests can make fresh ones. Nothing is allocated after
// construction; arithmetic is integer only and every rendered byte is reproducible.
//
// Threads: RenderBuffer runs on the audio thread (or on the window thread during WAV
// export, with the callback paused). Everything else is called from the window thread.
// A window-thread caller that writes engine state while audio may run holds an
// EngineLock for the duration of the write; the audio layer plugs its device lock in
// through SetLockHooks. With no hooks installed the lock does nothing (no audio thread).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/channel.h"
#include "engine/random.h"
#include "engine/song.h"
#include "engine/tables.h"

namespace kelmar {

constexpr int kChannelCount = 8;
constexpr int kMaxBufferSize = 4096;
constexpr int kWaveTableSize = 512;

// What the play-position display reads: a snapshot published by the player,
// readable from any thread without a lock.
struct PlayPosition {
  uint8_t Playing;
  uint8_t Row;
  uint8_t OrderPos;
  uint16_t PatternMode;
};

class Engine {
 public:
  // InitEngine: frequency table, default tempo and speed, noise table, SamplesPerTick,
  // sine and morph tables; the song itself is reset to a new song.
  Engine();

  // --- song and generated data (window thread writes under EngineLock) ---
  Song song;
  std::array<std::array<uint8_t, kWaveTableSize>, kInstrumentCount> WaveTables;
  std::array<Channel, kChannelCount> Channels;
  Random random;  // reseeded from the clock by the application for random waves

  // --- engine constants settable by the options ---
  uint16_t SampleRate = 44100;
  uint16_t BufferSize = 4096;
  uint8_t LastChannel = 7;

  // --- renderer state ---
  uint16_t SamplesPerTick = 0;
  uint16_t TickCountdown = 0;
  uint8_t TickDone = 0;

  // --- player variables ---
  uint8_t Playing = 0;
  uint8_t Row = 0;
  uint8_t OrderPos = 0;
  uint8_t Frame = 0;
  uint8_t FrameLimit = 0;
  uint8_t CurTempo = 0;
  uint8_t StopAtLoop = 0;
  uint16_t PatternMode = 0;

  // Tables: FreqTable belongs to this engine's sample rate; the rest are fixed and shared.
  std::array<uint32_t, 4096> FreqTable;
  void BuildFreqTable();

  // Wave synthesis.
  uint8_t WaveSample(uint8_t phase, uint8_t instrument, int pair, uint8_t firstOsc, uint8_t lastOsc) const;
  void BuildWaveTable(uint8_t instrument);
  void BuildAllWaveTables();

  // Voices. waitForTick is satisfied by the caller holding EngineLock: no tick is ever
  // half-done while the lock is held, so the engine itself never waits.
  void TriggerNote(uint8_t channel, uint8_t instrument, uint8_t semitone, uint8_t octave, int8_t detune,
                   bool waitForTick, bool preview);

  // The audio callback: writes exactly BufferSize stereo S16LE frames (4 * BufferSize bytes)
  // into out, running a Tick every SamplesPerTick frames.
  void RenderBuffer(uint8_t* out);
  // The same, for one frame count and with each channel's contribution also written into
  // per-track buffers (stems); tracks may be null. Used by the renderer's stems option.
  void RenderFrames(int16_t* out, int frames, int16_t* const* tracks = nullptr);

  // Player.
  void StartPlayback(uint8_t orderPos, uint8_t row, uint16_t patternMode);
  void StopPlayback();
  void Tick();

  // Samples per tick for a tempo; a tempo of 0 counts as the default 50 so that it
  // never reaches the division.
  uint16_t SamplesPerTickFor(uint8_t tempo) const;

  // Snapshot for the display thread.
  PlayPosition Position() const;

  // Locking hooks (see top of file).
  using LockFn = void (*)();
  void SetLockHooks(LockFn lock, LockFn unlock) { lock_ = lock; unlock_ = unlock; }
  void Lock() { if (lock_) lock_(); }
  void Unlock() { if (unlock_) unlock_(); }

 private:
  void PublishPosition();
  LockFn lock_ = nullptr;
  LockFn unlock_ = nullptr;
  std::atomic<uint32_t> position_{0};
};

class EngineLock {
 public:
  explicit EngineLock(Engine& engine) : engine_(engine) { engine_.Lock(); }
  ~EngineLock() { engine_.Unlock(); }
  EngineLock(const EngineLock&) = delete;
  EngineLock& operator=(const EngineLock&) = delete;

 private:
  Engine& engine_;
};

}  // namespace kelmar
