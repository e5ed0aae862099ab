// The Kelmar side of the peer benchmark (scripts/bench-peer.sh) without the command-line
// program around it: loads a song into a fresh engine and writes its first SECONDS to a WAV
// file through the window's own export (ExportSongToWav), one thread, as kelmar-render's
// output would be. Usage: peer_render SONG SECONDS OUT.wav
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "files/song_file.h"
#include "files/wav_file.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: peer_render SONG SECONDS OUT.wav\n");
    return 2;
  }
  auto engine = std::make_unique<kelmar::Engine>();
  kelmar::ConfigureFreshEngine(*engine, 44100, 4096);
  kelmar::SongSettings settings;
  if (const kelmar::FileError e = kelmar::LoadSongFile(argv[1], engine->song, settings)) {
    std::fprintf(stderr, "peer_render: %s: %s\n", argv[1], e.message().c_str());
    return 1;
  }
  kelmar::WavExportSetup setup;
  setup.path = argv[3];
  setup.render.maxSeconds = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  const kelmar::WavRenderResult result = kelmar::ExportSongToWav(*engine, setup);
  if (result.error) {
    std::fprintf(stderr, "peer_render: %s: %s\n", argv[3], result.error.message().c_str());
    return 1;
  }
  return 0;
}
