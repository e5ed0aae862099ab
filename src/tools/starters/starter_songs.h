// The starter songs, composed in code over the song tables.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/song.h"
#include "files/song_settings.h"

namespace kelmar::starters {

struct StarterSong {
  std::string file;  // e.g. "morning-circuit.sng"
  std::unique_ptr<Song> song;
  SongSettings settings;
};

std::vector<StarterSong> Songs();

// "A4" -> note number 4 * 12 + 9; "C#3", "Bb2" also work. Aborts on a malformed name.
int NoteNumber(const std::string& name);

}  // namespace kelmar::starters
