// Any byte string read as a song's chunk stream, from a heap block of exactly its size so
// the sanitizer sees any read past it. What was read, written again and read into a new
// song, must give the same tables.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "files/song_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  if (size > kSongStreamCapacity) return 0;
  static const std::unique_ptr<Song> song(new Song);
  static const std::unique_ptr<Song> again(new Song);
  static const std::unique_ptr<Song> fresh = [] {
    std::unique_ptr<Song> s(new Song);
    ResetSong(*s);
    return s;
  }();
  std::memcpy(song.get(), fresh.get(), sizeof(Song));
  SongSettings settings;
  const std::unique_ptr<uint8_t[]> exact(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(exact.get(), data, size);
  ReadSongStream(exact.get(), size, *song, settings);

  std::vector<uint8_t> stream;
  if (!WriteSongStream(*song, settings, stream).ok()) return 0;  // texts too long to store
  if (stream.size() > kSongStreamCapacity) std::abort();
  std::memcpy(again.get(), fresh.get(), sizeof(Song));
  SongSettings settingsAgain;
  ReadSongStream(stream.data(), stream.size(), *again, settingsAgain);
  if (std::memcmp(song->Instruments.data(), again->Instruments.data(), sizeof(song->Instruments)) != 0 ||
      std::memcmp(song->Patterns.data(), again->Patterns.data(), sizeof(song->Patterns)) != 0 ||
      song->Order != again->Order || song->Tempo != again->Tempo || song->Speed != again->Speed ||
      settings.TextColor != settingsAgain.TextColor || settings.BackColor != settingsAgain.BackColor)
    std::abort();
  for (int i = 0; i < kInstrumentCount; ++i) {
    const uint8_t* b = song->Instruments[i].bytes();
    bool zero = true;
    for (size_t k = 0; k < sizeof(Instrument); ++k) zero = zero && b[k] == 0;
    // An all-zero instrument is not stored, so its synth mode is not either.
    if (!zero && (song->SynthMode[i] != 0) != (again->SynthMode[i] != 0)) std::abort();
  }
  return 0;
}
