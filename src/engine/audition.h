// Audition: one voice outside the song, for hearing an instrument before it is loaded (the
// instrument browser, the Load > Instrument dialog). It has an engine of its own whose song
// holds only the instrument heard, in slot 0, so the song, its voices and its wave tables are
// never touched; the live output adds the voice to what the song plays.
//
// Threads: MixInto runs on the renderer (the audio callback); everything else on the window
// thread, holding the song engine's EngineLock while a device may play (the output's lock
// keeps the callback out), or while no callback runs.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/engine.h"

namespace kelmar {

class Audition {
 public:
  Audition();

  // Starts a note of `instrument` on the voice, replacing what it played: `frames` frames at
  // full level, then a short fade. Ticks come every samplesPerTick frames, the song's tempo,
  // so the envelopes run as they would in the song.
  void Play(const Instrument& instrument, uint8_t synthMode, uint8_t semitone, uint8_t octave, uint32_t frames,
            uint16_t samplesPerTick);
  // Ends the note with the fade (a key let go).
  void Release();
  // Silent at once.
  void Stop();
  // A muted audition plays nothing (the browser's "Mute Preview"); muting ends the note.
  void SetMuted(bool muted);
  bool Muted() const { return muted_; }
  // The output's rate: while no callback runs.
  void SetSampleRate(uint16_t sampleRate);

  // The renderer: adds the voice to `frames` stereo S16LE frames at `out`, saturating.
  // Nothing is rendered, and out stays as it is, while no note sounds.
  void MixInto(uint8_t* out, int frames);
  bool Sounding() const { return held_ + fade_ > 0; }

  // The engine that plays the voice (tests and benchmarks read its voice).
  const Engine& engine() const { return *engine_; }

 private:
  uint32_t FadeFrames() const;

  std::unique_ptr<Engine> engine_;
  std::array<int16_t, 2 * kMaxBufferSize> scratch_{};
  uint32_t held_ = 0;  // frames still to play at full level
  uint32_t fade_ = 0;  // frames of the fade still to play
  bool muted_ = false;
};

}  // namespace kelmar
