// Engine throughput: the 8-voice render, its filter pass alone, and the full wave-table
// rebuild of a playback start.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "eight_voice_song.h"
#include "engine/engine.h"
#include "engine/voice_filter.h"

namespace kelmar {
namespace {

// The busy song (eight_voice_song.h); its pattern 0 loops (J00), so the notes keep coming.
std::unique_ptr<Engine> EightVoiceEngine() {
  auto e = std::make_unique<Engine>();
  bench::EightVoiceSong(e->song);
  e->song.Cell(0, 0, 31).Effects = 0x80;
  e->StartPlayback(0, 0, 0);
  return e;
}

// Argument: the RenderPath (0 best, 1 SSE2, 2 plain integer code).
void BM_RenderBuffer8Voices(benchmark::State& state) {
  auto e = EightVoiceEngine();
  e->Path = static_cast<RenderPath>(state.range(0));
  e->BufferSize = 4096;
  std::vector<uint8_t> out(4 * 4096);
  // Let every voice latch its envelope first.
  for (int i = 0; i < 4; ++i) e->RenderBuffer(out.data());
  int sounding = 0;
  for (const Channel& ch : e->Channels) sounding += ch.VolEnvState.Value != 0;
  if (sounding != 8) state.SkipWithError("not all eight voices sound");
  for (auto _ : state) {
    e->RenderBuffer(out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  const double frames = static_cast<double>(state.iterations()) * 4096;
  state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["x_real_time@44100"] = benchmark::Counter(frames / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderBuffer8Voices)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The filter pass over one block, apart from the oscillators that feed it: per frame, the
// time the serial filter steps of all the voices take together. Arguments: voices, RenderPath.
void BM_FilterPass(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  auto scratch = std::make_unique<Engine::FilterScratch>();
  for (int i = 0; i < kRenderBlock * kFilterSlots; ++i)
    scratch->samples[i] = static_cast<int16_t>((i * 7919) % 60000 - 30000);
  for (int j = 0; j < kFilterSlots; ++j) {  // a change in mid-block, as where an envelope moves
    const auto k = static_cast<uint32_t>(1 + 29 * j);
    scratch->settings[j] = {FilterSetting(k, 100 + 20 * j), FilterSetting(k + 7, 90 + 20 * j), 37 * j + 13};
  }
  Channel voices[kFilterSlots]{};
  Channel* lanes[kFilterSlots];
  for (int j = 0; j < kFilterSlots; ++j) {
    voices[j].LRVolume = static_cast<uint8_t>(0x9F + j);
    lanes[j] = &voices[j];
  }
  int32_t mix[kRenderBlock] = {};
  for (auto _ : state) {
    FilterPass(lanes, nullptr, count, static_cast<RenderPath>(state.range(1)), *scratch, mix, kRenderBlock);
    benchmark::DoNotOptimize(mix);
  }
  state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * kRenderBlock,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FilterPass)->ArgsProduct({{1, 2, 3, 4, 5, 6, 8}, {0, 1, 2}})->Unit(benchmark::kMicrosecond);

void BM_RenderBufferSilent(benchmark::State& state) {
  auto e = std::make_unique<Engine>();
  std::vector<uint8_t> out(4 * 4096);
  for (auto _ : state) {
    e->RenderBuffer(out.data());
    benchmark::DoNotOptimize(out.data());
  }
  const double frames = static_cast<double>(state.iterations()) * 4096;
  state.counters["x_real_time@44100"] = benchmark::Counter(frames / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderBufferSilent)->Unit(benchmark::kMicrosecond);

void BM_BuildAllWaveTables(benchmark::State& state) {
  auto e = EightVoiceEngine();
  Song& s = e->song;
  for (int i = 0; i < kInstrumentCount; ++i) {  // every instrument with all four oscillators busy
    uint8_t* b = s.Instruments[i].bytes();
    for (int k = 1; k <= 8; ++k) b[k] = static_cast<uint8_t>(i * 37 + k * 53);
    s.SynthMode[i] = i % 4 == 3 ? 1 : 0;
  }
  for (auto _ : state) {
    e->BuildAllWaveTables();
    benchmark::DoNotOptimize(e->WaveTables.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel("goal: at most 0.25 ms of processor time");
}
BENCHMARK(BM_BuildAllWaveTables)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace kelmar
