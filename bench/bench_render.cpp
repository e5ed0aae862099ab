// kelmar-render's work on the starter songs: load into a fresh engine, render every block and
// write the WAV file. x_realtime is seconds of audio per second of processor time (one
// thread); peak_rss_MB is this process's peak resident memory. scripts/bench.sh also runs the
// program itself under /usr/bin/time for its own peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "tools/render/render_tool.h"

namespace {

void BM_RenderStarterSong(benchmark::State& state, const std::string& name, bool stems) {
  const std::string song = std::string(KELMAR_SOURCE_DIR) + "/songs/" + name;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kelmar-bench-render-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string out = (dir / "mix.wav").string();
  double audioSeconds = 0;
  for (auto _ : state) {
    std::unique_ptr<kelmar::Engine> engine;
    kelmar::SongSettings settings;
    if (kelmar::render::LoadFresh(song, 44100, 4096, engine, settings)) {
      state.SkipWithError("the starter song does not load");
      break;
    }
    const auto outcome =
        kelmar::render::RenderToFiles(*engine, out, stems ? (dir / "stems").string() : std::string(), 1800, {});
    if (outcome.result.end == kelmar::RenderEnd::Failed) {
      state.SkipWithError(outcome.result.error.message().c_str());
      break;
    }
    audioSeconds = static_cast<double>(outcome.result.frames) / 44100.0;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  state.counters["audio_s"] = audioSeconds;
  state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

BENCHMARK_CAPTURE(BM_RenderStarterSong, morning_circuit, std::string("morning-circuit.sng"), false)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_RenderStarterSong, glass_harbour, std::string("glass-harbour.sng"), false)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_RenderStarterSong, neon_run, std::string("neon-run.sng"), false)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_RenderStarterSong, neon_run_stems, std::string("neon-run.sng"), true)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
