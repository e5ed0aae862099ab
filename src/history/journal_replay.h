// A journal replayed on its own, beside the song being edited: the work it holds, as
// Load > Unsaved Work lists and loads it. Any thread; it touches nothing shared.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "engine/song.h"
#include "files/song_settings.h"

namespace kelmar {

struct JournalWork {
  std::unique_ptr<Song> song;  // as the journal's last good record left it
  SongSettings settings;
  std::string file;  // the song's own file then, UTF-8; empty when it had none
  size_t steps = 0;  // on its undo timeline, done and undone
};

// nullopt when the file does not read as a journal.
std::optional<JournalWork> ReplayJournalFile(const std::string& path);

}  // namespace kelmar
