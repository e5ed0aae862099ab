// Voice state: eight of these, playback state only, never saved.
//
// Threads (Engine::Channels, see engine.h): the renderer writes every field (Tick, the
// oscillator and filter passes); the window thread writes them under EngineLock
// (TriggerNote previews, StartPlayback, StopPlayback) or while no callback runs (RestVoices,
// the LRVolumes at start-up). Outside the engine only tests read them.
#pragma once

#include <cstdint>

namespace kelmar {

struct EnvelopeState {
  uint16_t Value;  // 8.8 fixed point, high byte = level 0..255
  uint8_t Count1, Count2, Count3, Count4;
  int32_t Delta1, Delta2, Delta3, Delta4;  // only the low 16 bits are added

  uint8_t& Count(int step) { return (&Count1)[step]; }
  int32_t& Delta(int step) { return (&Delta1)[step]; }
};

struct Channel {
  uint8_t Semitone;
  int8_t ArpOffset;
  uint8_t Octave;
  int8_t Detune;
  uint8_t NoiseOn;
  EnvelopeState VolEnvState;
  EnvelopeState SweepEnvState;
  uint8_t ArpDelayCount;
  uint8_t ArpSpeedCount;
  uint8_t ArpStep;
  uint8_t NzeDelayCount;
  uint8_t NzeLen1Count;
  uint8_t NzePauseCount;
  uint8_t NzeLen2Count;
  uint8_t PMDelayCount;
  uint8_t PMSpeedCount;
  uint8_t PMLenCount;
  int16_t PMOffset;
  uint8_t VibDelayCount;
  uint8_t VibPhase;
  int16_t VibOffset;
  uint8_t LRVolume;
  uint8_t Filter;
  uint8_t Instrument;
  uint16_t LatchedVol;
  uint16_t LatchedSweep;
  uint16_t PhasePos;
  uint16_t PrevPhasePos;
  int16_t Sample;
  int16_t FilterState;
  uint32_t PhaseInc;
  uint32_t Phase;
};

}  // namespace kelmar
