// The audio callback's cost: CPU time per 4096-frame buffer with eight voices sounding,
// as a share of the time that buffer takes to play (the budget the audio thread has),
// with the Scopes window's feed off and on.
#include <benchmark/benchmark.h>

#include <array>
#include <ctime>
#include <memory>
#include <string>

#include "audio/audio_output.h"
#include "engine/engine.h"

namespace kelmar {
namespace {

// Eight different instruments on eight voices; `heavy` adds the filter, noise, vibrato,
// arpeggio and portamento so that every per-sample path of the voice runs.
void SoundEightVoices(Engine& engine, bool heavy) {
  ResetSong(engine.song);
  for (uint8_t i = 0; i < kChannelCount; ++i) {
    Instrument& in = engine.song.Instruments[i];
    in.SrcOsc1Amp = 90;
    in.SrcOsc1Wave = i;
    in.SrcOsc2Amp = 40;
    in.SrcOsc2Wave = 3;
    in.DstOsc1Amp = 80;
    in.DstOsc1Wave = 2;
    in.VolEnv = Envelope{2, 0, 0, 0, 255, 255, 255, 255, 255};
    in.SweepEnv = Envelope{200, 0, 0, 0, 0, 255, 255, 255, 255};
    if (heavy) {
      in.Filter = static_cast<uint8_t>(40 + i * 25);
      in.NzeEnable = i & 1;
      in.NzeFreq = 20;
      in.NzeLen1 = 3;
      in.NzePause = 3;
      in.VibEnable = 1;
      in.VibSpeed = 9;
      in.VibDepth = 20;
      in.ArpSpeed = 2;
      in.ArpRepeat = 1;
      in.Arp1 = 4;
      in.Arp2 = 7;
      in.PMEnable = 1;
      in.PMSpeed = 1;
      in.PMLen = 50;
      in.PMVal = 3;
    }
  }
  EngineLock lock(engine);
  for (uint8_t ch = 0; ch < kChannelCount; ++ch) {
    engine.Channels[ch].LRVolume = static_cast<uint8_t>(ch % 2 ? 0x8F : 0xF8);
    engine.TriggerNote(ch, ch, static_cast<uint8_t>(ch * 3 % 12), static_cast<uint8_t>(2 + ch % 4), 0, true, true);
  }
}

void CallbackPerBuffer(benchmark::State& state) {
  auto engine = std::make_unique<Engine>();
  engine->BufferSize = 4096;
  SoundEightVoices(*engine, state.range(0) != 0);
  AudioOutput audio(*engine);  // never opened: the callback is called here directly
  const bool scopes = state.range(1) != 0;
  audio.SetScopeFeed(scopes);
  std::array<uint8_t, 4 * kMaxBufferSize> stream{};
  // Thread CPU time: the figure that matters is the audio thread's own work, not how busy
  // the rest of the machine happens to be.
  auto cpuSeconds = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  double seconds = 0;
  for (auto _ : state) {
    const double start = cpuSeconds();
    AudioOutput::Callback(&audio, stream.data(), static_cast<int>(stream.size()));
    benchmark::DoNotOptimize(stream.data());
    benchmark::ClobberMemory();
    seconds += cpuSeconds() - start;
    // The window's side, not counted: it empties the ring, so every buffer is copied in.
    if (scopes) audio.scopeRing().Discard();
  }
  const double bufferSeconds = 4096.0 / engine->SampleRate;
  state.counters["share_of_buffer_pct"] = 100.0 * seconds / static_cast<double>(state.iterations()) / bufferSeconds;
  state.SetLabel(std::string(state.range(0) ? "8 voices, filter+noise+modulators" : "8 voices") +
                 (scopes ? ", scopes open" : ""));
}
BENCHMARK(CallbackPerBuffer)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"heavy", "scopes"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelmar
