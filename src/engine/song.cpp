// The new-song reset.
#include "engine/song.h"

#include <cstring>

namespace kelmar {

void ResetSong(Song& song) {
  std::memset(song.Instruments.data(), 0, sizeof(song.Instruments));
  std::memset(song.Patterns.data(), 0, sizeof(song.Patterns));
  song.SynthMode.fill(0);
  for (Pattern& pattern : song.Patterns)
    for (Track& track : pattern)
      for (PatternCell& cell : track) cell.Note = kEmptyNote;
  for (int k = 0; k < kOrderLength; ++k) song.Order[k] = static_cast<OrderEntry>(k);
  song.Tempo = kDefaultTempo;
  song.Speed = kDefaultSpeed;
}

}  // namespace kelmar
