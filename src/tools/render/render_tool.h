// kelmar-render: renders a song file to WAV exactly as the window's export does from a
// freshly started program (same engine, same blocks, same bytes), optionally with one WAV
// per track, prints what a song holds, or plays it through the audio device.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "files/file_error.h"
#include "files/song_settings.h"
#include "files/wav_file.h"

namespace kelmar::render {

struct Options {
  std::string song;
  std::string output;  // empty: the song's file name with ".wav", in the working folder; "-": standard output
  uint16_t rate = 44100;
  uint16_t buffer = 4096;
  uint32_t maxSeconds = kWavExportMaxSeconds;
  std::string stemsDir;  // empty: no stems
  bool play = false;
  bool info = false;
  bool progress = false;  // progress lines on the error stream (set when it is a terminal)
};

// "songs/intro.sng" -> "intro.wav".
std::string DefaultOutputName(const std::string& songPath);

// A freshly made engine at the options' rate and buffer size with the song file loaded.
// On failure the error carries the file's message ("No Kelmar Song", "File not found", ...).
FileError LoadFresh(const std::string& songPath, uint16_t rate, uint16_t buffer, std::unique_ptr<Engine>& engine,
                    SongSettings& settings);

// Renders the loaded song into the mix file and, with a stems folder, track1.wav..track8.wav
// there. Every file is written beside its target first and appears only when all succeeded.
// The mix named "-" is streamed to standard output instead.
struct RenderOutcome {
  WavRenderResult result;
  std::string failedPath;  // the file an error belongs to
};
RenderOutcome RenderToFiles(Engine& engine, const std::string& output, const std::string& stemsDir,
                            uint32_t maxSeconds, const RenderProgressFn& progress);

// The --info text: title, comment, tempo, speed, the order list up to its end, the
// instruments and patterns in use and the length in seconds. Renders the song (on the given
// engine) to find the length.
std::string DescribeSong(Engine& engine, const SongSettings& settings, uint32_t maxSeconds);

// The whole program after option parsing; returns the exit status.
int Run(const Options& options, std::ostream& out, std::ostream& err);

// Plays the loaded song through the audio device in real time with a one-line progress
// display, until it stops (as the render would: end of song, backward jump, length limit) or
// Ctrl+C; returns the exit status.
int Play(Engine& engine, const Options& options, std::ostream& err);

}  // namespace kelmar::render
