// STUB so that the tree links while the engine is being written; deleted by the engine's implementation.
#include "engine/engine.h"

namespace kelmar {

void ResetSong(Song&) {}
const FixedTables& Tables() { static FixedTables t{}; return t; }
Engine::Engine() : song{}, WaveTables{}, Channels{}, FreqTable{} {}
void Engine::BuildFreqTable() {}
uint8_t Engine::WaveSample(uint8_t, uint8_t, int, uint8_t, uint8_t) const { return 128; }
void Engine::BuildWaveTable(uint8_t) {}
void Engine::BuildAllWaveTables() {}
void Engine::TriggerNote(uint8_t, uint8_t, uint8_t, uint8_t, int8_t, bool, bool) {}
void Engine::RenderBuffer(uint8_t*) {}
void Engine::RenderFrames(int16_t*, int, int16_t* const*) {}
void Engine::StartPlayback(uint8_t, uint8_t, uint16_t) {}
void Engine::StopPlayback() {}
void Engine::Tick() {}
uint16_t Engine::SamplesPerTickFor(uint8_t) const { return 882; }
PlayPosition Engine::Position() const { return {}; }
void Engine::PublishPosition() {}

}  // namespace kelmar
