// Any byte string read as a song's chunk stream over a new song, from the heap block of
// exactly its size that libFuzzer holds it in, so the sanitizer sees any read past it. What
// was read, written again and read into a new song, must give the same tables. Both songs are kept between inputs and made new again
// afterwards by undoing only what the written stream names: every instrument and pattern that
// is not a new song's is in it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "files/song_stream.h"

namespace {

using namespace kelmar;

// Calls visit(tag, index) for each chunk of a stream as WriteSongStream writes them.
template <typename Visit>
void ForEachChunk(const std::vector<uint8_t>& stream, Visit visit) {
  for (size_t pos = 0; pos + 8 <= stream.size(); pos += 8 + (stream[pos + 4] | stream[pos + 5] << 8))
    visit(reinterpret_cast<const char*>(&stream[pos]), stream[pos + 6]);
}

bool IsInstrument(const char* tag) { return std::memcmp(tag, "INS", 3) == 0; }

void MakeNew(Song& song, const Song& fresh, const std::vector<uint8_t>& stream, bool written) {
  if (!written) {  // nothing names what changed
    std::memcpy(&song, &fresh, sizeof(Song));
    return;
  }
  ForEachChunk(stream, [&](const char* tag, uint8_t index) {
    if (IsInstrument(tag)) song.Instruments[index] = fresh.Instruments[index];
    if (std::memcmp(tag, "PAT0", 4) == 0) song.Patterns[index] = fresh.Patterns[index];
  });
  song.SynthMode = fresh.SynthMode;  // INS1 and INS2 set it whatever their length
  song.Order = fresh.Order;
  song.Tempo = fresh.Tempo;
  song.Speed = fresh.Speed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kSongStreamCapacity) return 0;
  static const std::unique_ptr<Song> fresh = [] {
    std::unique_ptr<Song> s(new Song);
    ResetSong(*s);
    return s;
  }();
  static const std::unique_ptr<Song> song(new Song(*fresh));
  static const std::unique_ptr<Song> again(new Song(*fresh));
  static std::vector<uint8_t> stream;  // its room kept from input to input
  SongSettings settings;
  ReadSongStream(data, size, *song, settings);

  const bool written = WriteSongStream(*song, settings, stream).ok();  // else texts too long to store
  if (written) {
    if (stream.size() > kSongStreamCapacity) std::abort();
    SongSettings settingsAgain;
    ReadSongStream(stream.data(), stream.size(), *again, settingsAgain);
    if (std::memcmp(song->Instruments.data(), again->Instruments.data(), sizeof(song->Instruments)) != 0 ||
        std::memcmp(song->Patterns.data(), again->Patterns.data(), sizeof(song->Patterns)) != 0 ||
        song->Order != again->Order || song->Tempo != again->Tempo || song->Speed != again->Speed ||
        settings.TextColor != settingsAgain.TextColor || settings.BackColor != settingsAgain.BackColor)
      std::abort();
    // An all-zero instrument is not stored, so its synth mode is not either.
    ForEachChunk(stream, [&](const char* tag, uint8_t i) {
      if (IsInstrument(tag) && (song->SynthMode[i] != 0) != (again->SynthMode[i] != 0)) std::abort();
    });
  }
  MakeNew(*song, *fresh, stream, written);
  MakeNew(*again, *fresh, stream, written);
  return 0;
}
