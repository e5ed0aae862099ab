// Shared by the audio tests and the stress test: a song that sounds on all eight voices,
// the choice of SDL driver, and waiting for the callback without timing anything.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_output.h"
#include "engine/engine.h"

namespace kelmar::test {

// Instrument i: two oscillators, a held volume envelope and a sweep, so every voice is audible.
inline void MakeSoundingSong(Song& song) {
  ResetSong(song);
  for (int i = 0; i < 8; ++i) {
    Instrument& in = song.Instruments[i];
    in.Filter = static_cast<uint8_t>(i * 20);
    in.SrcOsc1Amp = 90;
    in.SrcOsc1Wave = static_cast<uint8_t>(i);
    in.SrcOsc2Amp = 30;
    in.SrcOsc2Wave = 3;
    in.DstOsc1Amp = 70;
    in.DstOsc1Wave = 2;
    in.VolEnv = Envelope{2, 10, 0, 0, 200, 255, 180, 180, 180};
    in.SweepEnv = Envelope{20, 0, 0, 0, 0, 255, 255, 255, 255};
    in.VibEnable = static_cast<uint8_t>(i & 1);
    in.VibSpeed = 8;
    in.VibDepth = 10;
  }
  for (int track = 0; track < 8; ++track) {
    for (int row = 0; row < kRowCount; row += 8) {
      PatternCell& cell = song.Cell(0, track, row);
      cell.Note = static_cast<uint8_t>(36 + track * 3 + row / 8);
      cell.Effects = static_cast<uint8_t>(kEffectInstrument << 4);
      cell.Param1 = static_cast<uint8_t>(track);
    }
  }
  song.Order[1] = MakeOrderEntry(kOrderJump, 0);
}

inline void UseDriver(const char* driver, const std::string& diskFile = "/dev/null") {
  setenv("SDL_AUDIODRIVER", driver, 1);
  setenv("SDL_DISKAUDIOFILE", diskFile.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);  // the disk driver runs as fast as it can write
}

// Waits (without a time limit that a slow machine could break; ctest's timeout is the
// backstop) until the callback has run at least count times.
inline void WaitForCallbacks(const AudioOutput& audio, uint64_t count) {
  while (audio.CallbackCount() < count) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<uint8_t> RenderBuffers(Engine& engine, uint64_t buffers) {
  std::vector<uint8_t> out(static_cast<size_t>(buffers) * 4 * engine.BufferSize);
  for (uint64_t b = 0; b < buffers; ++b) engine.RenderBuffer(out.data() + b * 4 * engine.BufferSize);
  return out;
}

}  // namespace kelmar::test
