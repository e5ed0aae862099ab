// A second, deliberately plain player used only to cross-check the engine: every table,
// every voice sample and every tick is computed one step at a time, in the most literal
// form of the rules, with no caches, no blocks and no vector paths. It shares nothing with
// the engine but the song record layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/song.h"

namespace kelmar::reference {

struct RefEnvelopeState {
  uint16_t Value = 0;
  uint8_t Count[4] = {0, 0, 0, 0};
  int32_t Delta[4] = {0, 0, 0, 0};
};

struct RefChannel {
  uint8_t Semitone = 0;
  int8_t ArpOffset = 0;
  uint8_t Octave = 0;
  int8_t Detune = 0;
  uint8_t NoiseOn = 0;
  RefEnvelopeState VolEnvState;
  RefEnvelopeState SweepEnvState;
  uint8_t ArpDelayCount = 0;
  uint8_t ArpSpeedCount = 0;
  uint8_t ArpStep = 0;
  uint8_t NzeDelayCount = 0;
  uint8_t NzeLen1Count = 0;
  uint8_t NzePauseCount = 0;
  uint8_t NzeLen2Count = 0;
  uint8_t PMDelayCount = 0;
  uint8_t PMSpeedCount = 0;
  uint8_t PMLenCount = 0;
  int16_t PMOffset = 0;
  uint8_t VibDelayCount = 0;
  uint8_t VibPhase = 0;
  int16_t VibOffset = 0;
  uint8_t LRVolume = 0;
  uint8_t Filter = 0;
  uint8_t Instrument = 0;
  uint16_t LatchedVol = 0;
  uint16_t LatchedSweep = 0;
  uint16_t PhasePos = 0;
  uint16_t PrevPhasePos = 0;
  int16_t Sample = 0;
  int16_t FilterState = 0;
  uint32_t PhaseInc = 0;
  uint32_t Phase = 0;
};

class ReferencePlayer {
 public:
  // Start-up: fixed tables, default tempo and speed, a new song, every LRVolume 255.
  ReferencePlayer();

  Song song;
  std::array<std::array<uint8_t, 512>, 256> WaveTables{};
  RefChannel Channels[8];

  uint16_t SampleRate = 44100;
  uint16_t BufferSize = 4096;
  uint8_t LastChannel = 7;

  uint16_t SamplesPerTick = 0;
  uint16_t TickCountdown = 0;
  uint8_t TickDone = 0;

  uint8_t Playing = 0;
  uint8_t Row = 0;
  uint8_t OrderPos = 0;
  uint8_t Frame = 0;
  uint8_t FrameLimit = 0;
  uint8_t CurTempo = 0;
  uint8_t StopAtLoop = 0;
  uint16_t PatternMode = 0;

  uint32_t FreqTable[4096];
  uint8_t SineTable[512];
  int16_t NoiseTable[4096];
  uint16_t MorphTable[256][256];  // [cycle position][sweep column]
  int16_t VibTable[64];

  void NewSong();
  void BuildFreqTable();
  // The options' reopen: new rate, SamplesPerTick from the song tempo, new frequency table.
  void ChangeSampleRate(uint16_t rate);

  uint8_t WaveSample(uint8_t phase, uint8_t instrument, int pair, uint8_t firstOsc, uint8_t lastOsc) const;
  void BuildWaveTable(uint8_t instrument);

  void TriggerNote(uint8_t channel, uint8_t instrument, uint8_t semitone, uint8_t octave, int8_t detune,
                   bool waitForTick, bool preview);

  // BufferSize frames of S16LE stereo into out (4 * BufferSize bytes).
  // If tracks is given, each non-null tracks[c] receives channel c's own interleaved
  // left/right contribution for every frame.
  void RenderBuffer(uint8_t* out, int16_t* const* tracks = nullptr);
  // One frame: left and right.
  void RenderFrame(int16_t& left, int16_t& right, int16_t* voiceLeft = nullptr, int16_t* voiceRight = nullptr);

  void StartPlayback(uint8_t orderPos, uint8_t row, uint16_t patternMode);
  void StopPlayback();
  void Tick();

  std::string DumpState() const;

 private:
  void VoiceSample(int c, int16_t& left, int16_t& right);
  void StepEnvelope(RefEnvelopeState& state, const Envelope& env, bool isSweep);
  void TickChannel(int c);
};

}  // namespace kelmar::reference
