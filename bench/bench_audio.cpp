// The audio callback's cost: CPU time per 4096-frame buffer with eight voices sounding,
// as a share of the time that buffer takes to play (the budget the audio thread has),
// with the Scopes window's feed off and on. And the latency of a live note: from a note
// posted on another thread to the first output frame that carries it, at every buffer size;
// and the same for an instrument heard in the browser, from its note's start to its first frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

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

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The window thread as far as a note goes: a note key or a MIDI note is posted to it, and it
// plays the note under EngineLock, as the pattern page's preview does.
class NoteConsumer {
 public:
  explicit NoteConsumer(Engine& engine) : engine_(engine), thread_([this] { Run(); }) {}
  ~NoteConsumer() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  void Post() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++posted_;
    }
    wake_.notify_one();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return quit_ || posted_ > 0; });
      if (quit_) return;
      --posted_;
      lock.unlock();
      {
        EngineLock engineLock(engine_);
        engine_.TriggerNote(0, 1, 9, 4, 0, true, true);  // A-4 on track 1
      }
      lock.lock();
    }
  }

  Engine& engine_;
  std::mutex mutex_;
  std::condition_variable wake_;
  int posted_ = 0;
  bool quit_ = false;
  std::thread thread_;
};

// Reads the output as the callback hands it over, through the scopes' ring: each buffer
// comes in one piece, and the time it is first seen is when the device starts playing it.
class OutputWatch {
 public:
  explicit OutputWatch(AudioOutput& audio)
      : audio_(audio), frames_(static_cast<size_t>(audio.scopeRing().Capacity())) {}
  // Polls until `until`; returns the seconds from `since` to the first frame where voice 0
  // sounds, or a negative value when none did.
  double Watch(Clock::time_point since, Clock::time_point until, int rate) {
    double heard = -1;
    while (Clock::now() < until) {
      const int n = audio_.scopeRing().Read(frames_.data(), static_cast<int>(frames_.size()));
      const Clock::time_point seen = Clock::now();
      for (int i = 0; i < n && heard < 0; ++i) {
        if (frames_[i].samples[0] != 0 || frames_[i].samples[1] != 0)
          heard = Seconds(seen - since) + static_cast<double>(i) / rate;
      }
      if (n > 0) {
        if (buffers_++ == 0) first_ = seen;
        framesSinceFirst_ += buffers_ > 1 ? n : 0;
        last_ = seen;
      }
      if (n == 0) std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    return heard;
  }
  // Frames the device took per second: SDL's dummy driver waits whole milliseconds between
  // buffers, so at the small sizes it runs faster than the sample rate.
  double FramesPerSecond() const { return framesSinceFirst_ / Seconds(last_ - first_); }

 private:
  AudioOutput& audio_;
  std::vector<ScopeFrame> frames_;
  int buffers_ = 0;
  double framesSinceFirst_ = 0;
  Clock::time_point first_, last_;
};

// One short note at a time on a voice that has fallen silent again, so that every trial
// starts from a silent voice whose pitch the ticks already keep.
void ShortNote(Engine& engine) {
  ResetSong(engine.song);
  Instrument& in = engine.song.Instruments[1];
  in.SrcOsc1Amp = 100;
  in.SrcOsc1Wave = 1;
  in.VolEnv = Envelope{2, 0, 0, 0, 255, 0, 0, 0, 0};  // full at once, silent two ticks later
  engine.Channels[0].LRVolume = 255;
}

// Frames and milliseconds from the post to the first frame of the note, through SDL's
// dummy driver (paced as a device is), against one buffer period + 1 ms. The device's own
// buffering, which a real sound card adds, is not in these figures.
void NoteToFirstFrame(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  auto engine = std::make_unique<Engine>();
  engine->BufferSize = static_cast<uint16_t>(state.range(0));
  ShortNote(*engine);
  AudioOutput audio(*engine);
  audio.SetScopeFeed(true);
  if (!audio.OpenAudio()) {
    state.SkipWithError("no SDL audio driver");
    return;
  }
  const int rate = engine->SampleRate;
  const double period = static_cast<double>(engine->BufferSize) / rate;
  // Long enough for the note to be heard, sound its two ticks and reach the ring.
  const auto rest = std::chrono::duration<double>(3.0 * engine->SamplesPerTick / rate + 2 * period + 0.01);
  NoteConsumer consumer(*engine);
  OutputWatch watch(audio);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> phase(0, period);
  std::vector<double> latencies;
  double firstNote = 0;
  constexpr int kTrials = 40;
  for (auto _ : state) {
    for (int trial = 0; trial <= kTrials; ++trial) {
      // At a random point of the buffer period: the note is posted while the watch goes on.
      watch.Watch(
          Clock::now(),
          Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(phase(random))),
          rate);
      const Clock::time_point posted = Clock::now();
      consumer.Post();
      const double heard = watch.Watch(posted, posted + std::chrono::duration_cast<Clock::duration>(rest), rate);
      if (heard < 0) {
        state.SkipWithError("the note was never heard");
        break;
      }
      // The first note a voice plays waits for the next tick to set its pitch: kept apart.
      if (trial == 0)
        firstNote = heard;
      else
        latencies.push_back(heard);
    }
  }
  audio.CloseAudio();
  if (latencies.empty()) return;
  std::sort(latencies.begin(), latencies.end());
  const double median = latencies[latencies.size() / 2];
  const double p90 = latencies[latencies.size() * 9 / 10];
  const double worst = latencies.back();
  const double target = period + 0.001;
  state.counters["median_ms"] = 1000 * median;
  state.counters["median_frames"] = median * rate;
  state.counters["p90_ms"] = 1000 * p90;
  state.counters["max_ms"] = 1000 * worst;
  state.counters["max_frames"] = worst * rate;
  state.counters["target_ms"] = 1000 * target;
  state.counters["within_target"] = worst <= target ? 1 : 0;
  state.counters["first_note_ms"] = 1000 * firstNote;
  state.counters["device_period_ms"] = 1000 * engine->BufferSize / watch.FramesPerSecond();
  state.SetLabel("A-4 at " + std::to_string(rate) + " Hz, " + std::to_string(kTrials) + " notes");
}
BENCHMARK(NoteToFirstFrame)
    ->ArgName("buffer")
    ->Arg(128)
    ->Arg(256)
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The browser's preview once its pause is over: the window thread starts the audition voice
// under the lock (the instrument is already read, as the browser lists it), and the device's
// next buffer carries it. Measured to the end of the callback that mixed it, plus the frames of
// that buffer before the note is audible, against one buffer period + 1 ms.
void AuditionToFirstFrame(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  auto engine = std::make_unique<Engine>();
  engine->BufferSize = static_cast<uint16_t>(state.range(0));
  AudioOutput audio(*engine);
  if (!audio.OpenAudio()) {
    state.SkipWithError("no SDL audio driver");
    return;
  }
  Instrument bell{};
  bell.SrcOsc1Amp = bell.DstOsc1Amp = 100;
  bell.SrcOsc1Wave = bell.DstOsc1Wave = 1;
  bell.VolEnv = Envelope{255, 0, 0, 0, 0, 255, 255, 255, 255};
  const int rate = engine->SampleRate;
  const uint32_t noteFrames = rate / 100;
  // Where in its first buffer the note becomes audible: the same for every start.
  Audition alone;
  alone.Play(bell, 0, 0, 3, noteFrames, engine->SamplesPerTick);
  std::vector<uint8_t> first(4 * static_cast<size_t>(engine->BufferSize), 0);
  alone.MixInto(first.data(), engine->BufferSize);
  const auto audible = std::find_if(first.begin(), first.end(), [](uint8_t b) { return b != 0; });
  const double lead = static_cast<double>((audible - first.begin()) / 4) / rate;
  const double period = static_cast<double>(engine->BufferSize) / rate;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> phase(0, period);
  std::vector<double> latencies;
  constexpr int kTrials = 40;
  for (auto _ : state) {
    for (int trial = 0; trial < kTrials; ++trial) {
      std::this_thread::sleep_for(std::chrono::duration<double>(phase(random) + 2 * period));
      const uint64_t before = audio.CallbackCount();
      const Clock::time_point started = Clock::now();
      {
        EngineLock lock(*engine);
        audio.audition().Play(bell, 0, 0, 3, noteFrames, engine->SamplesPerTick);
      }
      // The callback running now, if one is, may have rendered before the note: the one after it.
      const uint64_t carrying = before + 1 + (audio.CallbackCount() > before ? 1 : 0);
      while (audio.CallbackCount() < carrying) std::this_thread::sleep_for(std::chrono::microseconds(20));
      latencies.push_back(Seconds(Clock::now() - started) + lead);
    }
  }
  audio.CloseAudio();
  std::sort(latencies.begin(), latencies.end());
  const double worst = latencies.back();
  const double target = period + 0.001;
  state.counters["median_ms"] = 1000 * latencies[latencies.size() / 2];
  state.counters["max_ms"] = 1000 * worst;
  state.counters["lead_ms"] = 1000 * lead;
  state.counters["target_ms"] = 1000 * target;
  state.counters["within_target"] = worst <= target ? 1 : 0;
  state.SetLabel("C-3 at " + std::to_string(rate) + " Hz, " + std::to_string(kTrials) + " previews");
}
BENCHMARK(AuditionToFirstFrame)
    ->ArgName("buffer")
    ->Arg(256)
    ->Arg(1024)
    ->Arg(4096)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelmar
