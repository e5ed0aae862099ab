// Starting a note on a voice.
#include "engine/engine.h"

namespace kelmar {
namespace {

void StartEnvelope(EnvelopeState& state, const Envelope& env) {
  state.Value = static_cast<uint16_t>(env.Start * 256);
  int previous = env.Start;
  for (int n = 0; n < 4; ++n) {
    const int value = env.Val(n);
    const int len = env.Len(n);
    int32_t delta = (value - previous) * 256;
    if (len > 0) delta /= len;  // truncates toward zero
    state.Count(n) = static_cast<uint8_t>(len);
    state.Delta(n) = delta;
    previous = value;
  }
}

}  // namespace

void Engine::TriggerNote(uint8_t channel, uint8_t instrument, uint8_t semitone, uint8_t octave, int8_t detune,
                         bool waitForTick, bool preview) {
  // waitForTick needs no waiting here: a caller on another thread holds EngineLock, which
  // the audio layer makes the device lock, so no tick is half-done while we write.
  (void)waitForTick;
  if (channel >= kChannelCount) return;
  Channel& ch = Channels[channel];
  const Instrument& ins = song.Instruments[instrument];
  ch.Semitone = semitone;
  ch.ArpOffset = 0;
  ch.Octave = octave;
  if (preview) ch.Detune = detune;
  ch.Instrument = instrument;
  ch.NoiseOn = 0;
  ch.Filter = ins.Filter;
  if (preview) BuildWaveTable(instrument);
  StartEnvelope(ch.VolEnvState, ins.VolEnv);
  StartEnvelope(ch.SweepEnvState, ins.SweepEnv);
  ch.ArpDelayCount = 0;
  ch.ArpSpeedCount = 0;
  ch.ArpStep = 0;
  ch.NzeDelayCount = 0;
  ch.NzeLen1Count = 0;
  ch.NzePauseCount = 0;
  ch.NzeLen2Count = 0;
  ch.PMDelayCount = 0;
  ch.PMSpeedCount = 0;
  ch.PMLenCount = 0;
  ch.PMOffset = 0;
  ch.VibDelayCount = 0;
  ch.VibPhase = 0;
  ch.VibOffset = 0;
}

}  // namespace kelmar
