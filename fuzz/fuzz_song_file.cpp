// Any byte string loaded as a whole song file. A refused file must leave the song exactly
// as it was; a loaded one, saved and loaded again, must give the same tables.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "files/song_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  if (size > MaxSongFileSize()) return 0;  // the loader refuses these before reading them
  static const std::unique_ptr<Song> song(new Song);
  static const std::unique_ptr<Song> before(new Song);
  static const std::unique_ptr<Song> again(new Song);
  std::memset(song.get(), 0x5A, sizeof(Song));
  std::memcpy(before.get(), song.get(), sizeof(Song));
  SongSettings settings{"before", "before", 1, 2};

  const std::unique_ptr<uint8_t[]> exact(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(exact.get(), data, size);
  FileError e = DecodeSongFile(exact.get(), size, *song, settings);
  if (!e.ok()) {
    if (std::memcmp(song.get(), before.get(), sizeof(Song)) != 0 || settings.Title != "before") std::abort();
    return 0;
  }
  std::vector<uint8_t> file;
  if (!EncodeSongFile(*song, settings, file).ok()) return 0;  // texts too long to store
  SongSettings settingsAgain;
  if (!DecodeSongFile(file.data(), file.size(), *again, settingsAgain).ok()) std::abort();
  if (std::memcmp(song->Patterns.data(), again->Patterns.data(), sizeof(song->Patterns)) != 0 ||
      std::memcmp(song->Instruments.data(), again->Instruments.data(), sizeof(song->Instruments)) != 0 ||
      song->Order != again->Order || song->Tempo != again->Tempo || song->Speed != again->Speed)
    std::abort();
  return 0;
}
