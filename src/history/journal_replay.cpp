#include "history/journal_replay.h"

#include "files/journal_file.h"
#include "history/history.h"

namespace kelmar {

std::optional<JournalWork> ReplayJournalFile(const std::string& path) {
  const std::optional<JournalContents> journal = ReadJournalFile(path);
  if (!journal) return std::nullopt;
  JournalWork work;
  work.song = std::make_unique<Song>(*journal->song);
  work.settings = journal->settings;
  History history(*work.song, work.settings);
  history.Restore({*work.song, work.settings}, *journal);
  work.file = history.SongFile();
  work.steps = history.timeline().Steps().size();
  return work;
}

}  // namespace kelmar
