// Engine construction: the start-up order of the engine's tables and defaults.
#include "engine/engine.h"

namespace kelmar {

Engine::Engine() : song{}, WaveTables{}, Channels{}, FreqTable{} {
  BuildFreqTable();
  song.Tempo = kDefaultTempo;
  song.Speed = kDefaultSpeed;
  // The noise table is drawn from the generator seeded with 1. The table itself is shared
  // (Tables()), but this engine's generator is left in the state those 4096 draws produce,
  // exactly as if it had drawn the table itself; the application reseeds it from the clock.
  random.Seed(1);
  for (int k = 0; k < 4096; ++k) random.Draw(65536);
  SamplesPerTick = SamplesPerTickFor(song.Tempo);
  (void)Tables();  // sine, noise, morph and vibrato tables, built once per process
  ResetSong(song);
  RestVoices();
  PublishPosition();
}

void Engine::RestVoices() {
  TickCountdown = 0;
  for (Channel& ch : Channels) {
    ch = Channel{};
    ch.LRVolume = 255;  // centred, as after a stop
  }
}

}  // namespace kelmar
