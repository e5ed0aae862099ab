// The song document that the history records: the song's tables and the settings that the
// song file stores beside them. It compares itself with a shadow copy to find what a
// command changed, and applies recorded changes forwards (redo) and backwards (undo).
#pragma once

#include <bitset>
#include <cstdint>
#include <string>

#include "engine/song.h"
#include "files/history_step.h"
#include "files/song_settings.h"

namespace kelmar {

struct SongDocument {
  Song& song;
  SongSettings& settings;
};

// The part of the song a step touched first, so that undo can show it.
struct StepPlace {
  int pattern = -1;     // the first changed cell's pattern, track and row; -1 when no cell changed
  int track = -1;
  int row = -1;
  int instrument = -1;  // the first changed instrument (settings or synth mode), -1 when none
  std::bitset<kInstrumentCount> instruments;  // every instrument whose bytes changed
};

// Appends to `changes` the splices that turn `shadow` into `now`, and makes the shadow
// equal to `now`. Nearby changed bytes share one splice.
void DiffDocument(SongDocument shadow, const Song& nowSong, const SongSettings& nowSettings, std::string& changes);

// Applies a step's changes forwards (before -> after) or backwards. Every splice is
// checked first: the document must hold the bytes the splice replaces. Nothing changes
// and false is returned when one does not fit (a damaged journal).
bool ApplyChanges(SongDocument doc, std::string_view changes, bool forward);

StepPlace PlaceOf(std::string_view changes);

}  // namespace kelmar
