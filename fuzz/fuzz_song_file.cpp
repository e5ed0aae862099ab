// Any byte string loaded as a whole song file. A refused file must leave the song and settings
// exactly as they were. The song is kept between inputs: a refusal leaves it as it was, and
// only a load, which rewrites all of it, is undone. What a load reads, the chunk stream, is
// fuzz_song_stream's to write again and compare; that what is packed depacks the same is
// fuzz_pack_roundtrip's.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "files/song_file.h"

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
  SongSettings settings{"before", "before", 1, 2};

  // Read where libFuzzer holds it, a heap block of exactly its size, so the sanitizer sees any read past it.
  if (!DecodeSongFile(data, size, *song, settings).ok()) {
    if (std::memcmp(song.get(), before.get(), sizeof(Song)) != 0 || settings.Title != "before" ||
        settings.Comment != "before" || settings.TextColor != 1 || settings.BackColor != 2)
      std::abort();
    return 0;
  }
  std::memset(song.get(), kBefore, sizeof(Song));
  return 0;
}
