// --play: the song through the audio device in real time, as the render would hear it.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ostream>
#include <thread>

#include "audio/audio_output.h"
#include "tools/render/render_tool.h"

namespace kelmar::render {
namespace {

std::atomic<bool> interrupted{false};

void OnInterrupt(int) { interrupted.store(true); }

}  // namespace

int Play(Engine& engine, const Options& options, std::ostream& err) {
  AudioOutput audio(engine);
  if (!audio.OpenAudio()) {
    err << "kelmar-render: no audio device to play on" << std::endl;
    return 1;
  }
  struct sigaction action = {};
  struct sigaction previous = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  interrupted.store(false);
  sigaction(SIGINT, &action, &previous);

  {
    // Stops where the render stops: at the song's end or at a backward jump.
    EngineLock lock(engine);
    engine.StopAtLoop = 1;
    engine.StartPlayback(0, 0, 0);
  }
  const auto start = std::chrono::steady_clock::now();
  const bool terminal = ::isatty(STDERR_FILENO) != 0;
  bool limited = false;
  while (!interrupted.load()) {
    const PlayPosition pos = engine.Position();
    if (!pos.Playing) break;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds >= options.maxSeconds) {
      limited = true;
      break;
    }
    if (terminal) {
      char line[80];
      std::snprintf(line, sizeof line, "\rPlaying: %6.1f s, order %02X row %02X ", seconds, pos.OrderPos, pos.Row);
      err << line << std::flush;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  {
    EngineLock lock(engine);
    engine.StopPlayback();
  }
  audio.CloseAudio();
  sigaction(SIGINT, &previous, nullptr);
  if (terminal) err << "\n";
  if (interrupted.load()) err << "Stopped." << std::endl;
  else if (limited) err << "Stopped at the length limit." << std::endl;
  return interrupted.load() ? 130 : 0;
}

}  // namespace kelmar::render
