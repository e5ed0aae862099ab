// Engine throughput: the 8-voice render and the full wave-table rebuild of a playback start.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/engine.h"

namespace kelmar {
namespace {

// Eight instruments, one per track: both oscillator models, filters on three, noise on two,
// vibrato on three, portamento, arpeggio and a looping sweep, all holding a non-zero volume;
// the pattern loops and retriggers every voice twice per pass.
std::unique_ptr<Engine> EightVoiceEngine() {
  auto e = std::make_unique<Engine>();
  Song& s = e->song;
  for (int c = 0; c < 8; ++c) {
    Instrument& ins = s.Instruments[c + 1];
    ins.SrcOsc1Amp = static_cast<int8_t>(30 + 10 * c);
    ins.SrcOsc1Wave = static_cast<uint8_t>(0x11 * c);
    ins.SrcOsc2Amp = static_cast<int8_t>(-20 - 5 * c);
    ins.SrcOsc2Wave = static_cast<uint8_t>(0x36 + c);
    ins.DstOsc1Amp = 70;
    ins.DstOsc1Wave = static_cast<uint8_t>(0x23 + 0x10 * c);
    ins.VolEnv.Start = 200;
    ins.VolEnv.Len1 = 30;
    ins.VolEnv.Val1 = static_cast<uint8_t>(150 + c);
    ins.SweepEnv.Start = 0;
    ins.SweepEnv.Len1 = 40;
    ins.SweepEnv.Val1 = 255;
    ins.SweepEnv.Len2 = 40;
    ins.SweepEnv.Val2 = 0;
    ins.Filter = (c == 1 || c == 4 || c == 7) ? static_cast<uint8_t>(60 + 25 * c) : 0;
    s.SynthMode[c + 1] = c % 3 == 2 ? 1 : 0;
    s.Cell(0, c, 0) = PatternCell{static_cast<uint8_t>(36 + 5 * c), 0x20, static_cast<uint8_t>(c + 1), 0};
    s.Cell(0, c, 16) = PatternCell{static_cast<uint8_t>(43 + 5 * c), 0, 0, 0};
  }
  s.Cell(0, 0, 31).Effects = 0x80;  // J00: pattern 0 loops, so the notes keep coming
  s.Instruments[3].NzeEnable = 1;  // noise the whole time
  s.Instruments[3].NzeLen1 = 255;
  s.Instruments[6].NzeEnable = 1;
  s.Instruments[6].NzeLen1 = 255;
  for (int c : {1, 4, 7}) {
    s.Instruments[c + 1].VibEnable = 1;
    s.Instruments[c + 1].VibSpeed = 3;
    s.Instruments[c + 1].VibDepth = 9;
  }
  s.Instruments[5].ArpSpeed = 2;
  s.Instruments[5].Arp1 = 12;
  s.Instruments[5].Arp3 = 7;
  s.Instruments[5].ArpRepeat = 1;
  s.Instruments[8].PMEnable = 1;
  s.Instruments[8].PMLen = 200;
  s.Instruments[8].PMVal = 1;
  e->StartPlayback(0, 0, 0);
  return e;
}

void BM_RenderBuffer8Voices(benchmark::State& state) {
  auto e = EightVoiceEngine();
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
BENCHMARK(BM_RenderBuffer8Voices)->Unit(benchmark::kMicrosecond);

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
}
BENCHMARK(BM_BuildAllWaveTables)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelmar
