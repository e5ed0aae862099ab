// An export of the song into audio files of any format: what is played (the song, from an
// order position, a pattern or rows of it), how often a loop is played, a fade-out over the
// end, one file per track beside the mix, and the loudness of the mix. The window's "Export
// Audio..." and kelmar-render both run it; "Export .WAV" keeps its own path (wav_file.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "engine/song_render.h"
#include "files/audio_file.h"
#include "files/file_error.h"
#include "files/loudness.h"
#include "files/song_settings.h"

namespace kelmar {

struct AudioExportSetup {
  std::string path;  // empty: nothing is written, the mix is only measured; "-": standard output
  AudioFileSpec file;
  std::array<std::string, kChannelCount> stemPaths;  // an empty path: no file for that track
  // What is played, how often, with which tracks left out of the mix, the length limit and
  // the progress callback. Its stems flag is set by the export.
  RenderOptions render;
  // The fade-out: the mix and the stems fall in a straight line to silence at the last frame,
  // over this many frames of the last pass at most. Only where the render ends at a loop or
  // at the length limit: a song that stops by itself is not faded.
  uint32_t fadeFrames = 0;
  // Measure the mix's loudness: as costly as encoding a WAV, so only when someone reads it.
  bool measureLoudness = false;
};

struct AudioExportResult : RenderResult {
  FileError error;
  std::string failedPath;  // the file the error belongs to
  Loudness loudness;       // of the mix, when measured and the render ran to its end
};

// Stops playback and renders the setup's range from rest into the files. Every file is
// written beside its target and the targets are replaced only when every file succeeded: a
// cancelled or failed export leaves no file and every old file as it was. With a fade the
// song is rendered twice, first to find where it ends. The stems sum exactly to the mix.
AudioExportResult ExportAudio(Engine& engine, const AudioExportSetup& setup);

// The song's title and comment (its lines ended by "\n") and the program that wrote the file.
AudioTags TagsOfSong(const SongSettings& settings, const std::string& software);

// "music/neon-run.flac", track 2 (0-based) -> "music/neon-run-track3.flac".
std::string StemPathBeside(const std::string& mixPath, int track);

}  // namespace kelmar
