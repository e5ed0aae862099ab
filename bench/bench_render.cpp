// kelmar-render's work on the starter songs: load into a fresh engine, render every block and
// write the file, in each format the export writes (the plain WAV is the program's own writer;
// the others go through libsndfile). x_realtime is seconds of audio per second of processor time (one
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

void BM_RenderStarterSong(benchmark::State& state, const std::string& name, bool stems, const std::string& format) {
  const std::string song = std::string(KELMAR_SOURCE_DIR) + "/songs/" + name;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kelmar-bench-render-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  kelmar::render::Options options;
  options.song = song;
  options.format = format;
  options.output = (dir / "mix").string();
  if (stems) options.stemsDir = (dir / "stems").string();
  const kelmar::render::Plan plan = kelmar::render::PlanRender(options);
  const uint16_t rate = static_cast<uint16_t>(plan.file.sampleRate);
  double audioSeconds = 0;
  for (auto _ : state) {
    std::unique_ptr<kelmar::Engine> engine;
    kelmar::SongSettings settings;
    if (kelmar::render::LoadFresh(song, rate, 4096, engine, settings)) {
      state.SkipWithError("the starter song does not load");
      break;
    }
    const auto outcome = kelmar::render::RenderToFiles(*engine, kelmar::render::SetupOf(options, plan, settings, rate));
    if (outcome.end == kelmar::RenderEnd::Failed) {
      state.SkipWithError(outcome.error.message().c_str());
      break;
    }
    audioSeconds = static_cast<double>(outcome.frames) / rate;
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  state.counters["audio_s"] = audioSeconds;
  state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

#define KELMAR_RENDER_BENCH(label, song, stems, format)                                     \
  BENCHMARK_CAPTURE(BM_RenderStarterSong, label, std::string(song), stems, std::string(format)) \
      ->Unit(benchmark::kMillisecond)                                                           \
      ->MeasureProcessCPUTime()
#define KELMAR_RENDER_FORMATS(label, song)                \
  KELMAR_RENDER_BENCH(label, song, false, "wav");         \
  KELMAR_RENDER_BENCH(label##_wav24, song, false, "wav24"); \
  KELMAR_RENDER_BENCH(label##_flac, song, false, "flac");   \
  KELMAR_RENDER_BENCH(label##_ogg, song, false, "ogg");     \
  KELMAR_RENDER_BENCH(label##_opus, song, false, "opus");   \
  KELMAR_RENDER_BENCH(label##_mp3, song, false, "mp3")

KELMAR_RENDER_FORMATS(morning_circuit, "morning-circuit.sng");
KELMAR_RENDER_FORMATS(glass_harbour, "glass-harbour.sng");
KELMAR_RENDER_FORMATS(neon_run, "neon-run.sng");
KELMAR_RENDER_BENCH(neon_run_stems, "neon-run.sng", true, "wav");
KELMAR_RENDER_BENCH(neon_run_stems_flac, "neon-run.sng", true, "flac");

}  // namespace
