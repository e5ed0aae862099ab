// Any byte string loaded as a whole song file. A refused file must leave the song exactly
// as it was; a loaded one's stream, stored as a plain song file and loaded again, must give
// the same tables. The song is kept between inputs: a refusal leaves it as it was, and only
// a load, which rewrites all of it, is undone. (Saving packs the stream: the packer's round
// trip is fuzz_pack_roundtrip's, the stream's fuzz_song_stream's.)
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "files/song_file.h"
#include "files/song_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  if (size > MaxSongFileSize()) return 0;  // the loader refuses these before reading them
  constexpr uint8_t kBefore = 0x5A;
  static const std::unique_ptr<Song> song = [] {
    std::unique_ptr<Song> s(new Song);
    std::memset(s.get(), kBefore, sizeof(Song));
    return s;
  }();
  static const std::unique_ptr<Song> before(new Song(*song));
  static const std::unique_ptr<Song> again(new Song);
  static std::vector<uint8_t> stream, file;  // their room kept from input to input
  SongSettings settings{"before", "before", 1, 2};

  // Read where libFuzzer holds it, a heap block of exactly its size, so the sanitizer sees any read past it.
  FileError e = DecodeSongFile(data, size, *song, settings);
  if (!e.ok()) {
    if (std::memcmp(song.get(), before.get(), sizeof(Song)) != 0 || settings.Title != "before") std::abort();
    return 0;
  }
  if (WriteSongStream(*song, settings, stream).ok()) {  // else texts too long to store
    file.assign(kSongMagicPlain, kSongMagicPlain + 8);
    file.insert(file.end(), stream.begin(), stream.end());
    SongSettings settingsAgain;
    if (!DecodeSongFile(file.data(), file.size(), *again, settingsAgain).ok()) std::abort();
    if (std::memcmp(song->Patterns.data(), again->Patterns.data(), sizeof(song->Patterns)) != 0 ||
        std::memcmp(song->Instruments.data(), again->Instruments.data(), sizeof(song->Instruments)) != 0 ||
        song->Order != again->Order || song->Tempo != again->Tempo || song->Speed != again->Speed)
      std::abort();
  }
  std::memset(song.get(), kBefore, sizeof(Song));
  return 0;
}
