// The song's history: one timeline for undo and redo, the song's own file as the timeline
// moves it, and the recovery journal beside them.
//
// After every user command the window calls Record. The history compares the song with a
// shadow copy of it and keeps what changed as one step, so the editors need not know about
// undo. Each step is written to the journal before Record returns. Window thread only; the
// caller holds the engine lock around calls that change the song (Undo, Redo, Restore).
// A step that loads a song or starts a new one is journalled with the file it moves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "files/journal_file.h"
#include "history/song_document.h"
#include "history/song_path.h"
#include "history/timeline.h"

namespace kelmar {

// How a command's change may merge with the step before it.
struct StepRun {
  std::string key;        // what made the change: a control or a key; empty: never merges
  int64_t timeMs = 0;     // when
  int64_t windowMs = 0;   // merges when the step before came less than this long ago
  bool continues = false; // merges whatever the time: a drag goes on, a held key repeats
};

// What an undo or redo changed, for the window to show.
struct StepShown {
  std::string name;
  uint8_t page = 0;
  StepPlace place;
};

class History {
 public:
  History(const Song& song, const SongSettings& settings, TimelineLimits limits = {});

  // Records what changed since the last step as a step named `name`, made on `page`.
  // Returns whether a step was recorded or merged.
  bool Record(SongDocument doc, std::string_view name, uint8_t page, const StepRun& run = {});
  // Undoes or redoes one step on the document; false when there is none.
  bool Undo(SongDocument doc, StepShown* shown = nullptr);
  bool Redo(SongDocument doc, StepShown* shown = nullptr);

  // A load (from `file`, a UTF-8 path) or a new song (empty `file`) replaced the song: one
  // step named `name`, and `file` is now the song's own. A song equal to the one before makes
  // no step; then only the file changes. `saved`: the song now equals its file (MarkSaved);
  // otherwise the saved state stays where it was (work brought back from a journal).
  void SongReplaced(SongDocument doc, std::string_view name, uint8_t page, std::string file, bool saved);
  // The song was written to `file`: it is the song's own now, and the saved state.
  void SongWritten(SongDocument doc, std::string file);
  // The song's own file, followed through undo and redo; empty while it has none.
  const std::string& SongFile() const { return songPath_.path(); }

  // The song now equals what was saved, loaded or started anew: the journal starts again from it.
  void MarkSaved(SongDocument doc);
  bool Unsaved() const { return timeline_.Unsaved(); }
  const Timeline& timeline() const { return timeline_; }

  // The journal: every step from now on is appended to the file at path, which starts
  // with the song as it is and the timeline. False (and journalling off) when it cannot be written.
  bool StartJournal(SongDocument doc, const std::string& path);
  // Journalling stopped because a write failed; once true, it stays so.
  bool JournalFailed() const { return journalFailed_; }
  // A clean exit: the journal is removed, or closed and left where it is (KeepJournal) for
  // the caller to keep. The path it had, empty when there was none.
  void RemoveJournal();
  std::string KeepJournal();

  // Replaces the document, the timeline and the song's file with a recovered journal's,
  // replaying its steps up to the first that does not apply. The song then counts as unsaved.
  void Restore(SongDocument doc, const JournalContents& journal);

 private:
  bool RecordStep(SongDocument doc, std::string_view name, uint8_t page, const StepRun& run);
  bool Move(SongDocument doc, bool redo, StepShown* shown);
  void Write(const std::string& record);
  void KeepJournalSmall();
  void RestartJournal(SongDocument doc);
  std::string StepRecords(JournalOp op, const HistoryStep& step) const;
  bool Replay(SongDocument doc, const JournalEntry& entry);
  void ReplayFile(JournalOp stepOp, const SongFileChange& file);
  void SyncShadow(SongDocument doc);

  std::unique_ptr<Song> shadowSong_;
  SongSettings shadowSettings_;
  Timeline timeline_;
  SongPath songPath_;
  int64_t lastStepMs_ = 0;
  JournalWriter journal_;
  std::string journalPath_;
  bool journalFailed_ = false;
};

}  // namespace kelmar
