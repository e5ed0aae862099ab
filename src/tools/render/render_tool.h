// kelmar-render: renders a song file to WAV exactly as the window's export does from a
// freshly started program (same engine, same blocks, same bytes), or to FLAC, Ogg Vorbis,
// Opus or MP3, optionally with one file per track, prints what a song holds and how loud it
// is, or plays it through the audio device.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "files/audio_export.h"
#include "files/file_error.h"
#include "files/song_settings.h"
#include "files/wav_file.h"

namespace kelmar::render {

struct Options {
  std::string song;
  // Empty: the song's file name with the format's suffix, in the working folder; "-": standard output.
  std::string output;
  uint16_t rate = 44100;
  bool rateGiven = false;  // a format written at one rate only takes it when no rate was asked for
  uint16_t buffer = 4096;
  uint32_t maxSeconds = kWavExportMaxSeconds;
  std::string stemsDir;  // empty: no stems
  std::string format;    // empty: from the output's suffix, else WAV
  int quality = kDefaultQuality;
  int bits = 0;  // 16 or 24 for WAV; 0: as the format says
  bool wavTags = false;
  int loops = 1;
  double fadeSeconds = 0;
  std::string fromOrder;  // an order position in hex, as --info shows it; empty: 00
  std::string pattern;    // a pattern number in hex: that pattern alone
  bool play = false;
  bool info = false;
  bool progress = false;  // progress lines on the error stream (set when it is a terminal)
};

// "songs/intro.sng" -> "intro.wav" (or the suffix given).
std::string DefaultOutputName(const std::string& songPath, const std::string& suffix = ".wav");

// What the options ask to write, at which rate, or why they cannot be met.
struct Plan {
  AudioFileSpec file;
  RenderRange range;
  std::string output;
  std::string error;
};
Plan PlanRender(const Options& options);

// The export the plan asks for on a loaded engine: tags from the song, stems into the stems
// folder as track1..track8 with the format's suffix, the passes and the fade.
AudioExportSetup SetupOf(const Options& options, const Plan& plan, const SongSettings& settings, uint32_t rate);

// A freshly made engine at the options' rate and buffer size with the song file loaded.
// On failure the error carries the file's message ("No Kelmar Song", "File not found", ...).
FileError LoadFresh(const std::string& songPath, uint16_t rate, uint16_t buffer, std::unique_ptr<Engine>& engine,
                    SongSettings& settings);

// Renders the loaded song into the files of the setup (the stems folder made when missing).
// Every file is written beside its target first and appears only when all succeeded. The
// mix named "-" is streamed to standard output instead.
AudioExportResult RenderToFiles(Engine& engine, const AudioExportSetup& setup);

// The --info text: title, comment, tempo, speed, the order list up to its end, the
// instruments and patterns in use, the length in seconds, the peak and the loudness. Renders
// the song (on the given engine, as the setup would play it) to find the last three.
std::string DescribeSong(Engine& engine, const SongSettings& settings, AudioExportSetup setup);

// The whole program after option parsing; returns the exit status.
int Run(const Options& options, std::ostream& out, std::ostream& err);

// Plays the loaded song through the audio device in real time with a one-line progress
// display, until it stops (as the render would: end of song, backward jump, length limit) or
// Ctrl+C; returns the exit status.
int Play(Engine& engine, const Options& options, std::ostream& err);

}  // namespace kelmar::render
