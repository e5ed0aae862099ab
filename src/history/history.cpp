#include "history/history.h"

#include <utility>

namespace kelmar {

namespace {

// Appended records beyond this (and beyond twice what the timeline holds) start the journal again.
constexpr uint64_t kJournalSlack = uint64_t{32} << 20;

SongDocument Document(Song& song, SongSettings& settings) { return {song, settings}; }

}  // namespace

History::History(const Song& song, const SongSettings& settings, TimelineLimits limits)
    : shadowSong_(std::make_unique<Song>(song)), shadowSettings_(settings), timeline_(limits) {}

bool History::Record(SongDocument doc, std::string_view name, uint8_t page, const StepRun& run) {
  const bool recorded = RecordStep(doc, name, page, run);
  KeepJournalSmall();
  return recorded;
}

bool History::RecordStep(SongDocument doc, std::string_view name, uint8_t page, const StepRun& run) {
  SongDocument shadow = Document(*shadowSong_, shadowSettings_);
  const bool merge = timeline_.MayMerge(run.key) && (run.continues || run.timeMs - lastStepMs_ < run.windowMs);
  if (merge) ApplyChanges(shadow, timeline_.NextUndo().changes, false);  // back to before the run

  HistoryStep step{std::string(name), {}, 0, page};
  DiffDocument(shadow, doc.song, doc.settings, step.changes);
  if (!merge && step.changes.empty()) return false;
  lastStepMs_ = run.timeMs;
  if (merge) {
    const bool undoneWhole = step.changes.empty();  // the run came back to where it began
    timeline_.ReplaceNewest(step);
    Write(StepRecord(JournalOp::Amend, step));
    if (undoneWhole) return true;
  } else {
    timeline_.Push(step);
    Write(StepRecord(JournalOp::Step, step));
  }
  timeline_.SetRunKey(run.key);
  return true;
}

bool History::Undo(SongDocument doc, StepShown* shown) { return Move(doc, false, shown); }

bool History::Redo(SongDocument doc, StepShown* shown) { return Move(doc, true, shown); }

bool History::Move(SongDocument doc, bool redo, StepShown* shown) {
  if (!(redo ? timeline_.CanRedo() : timeline_.CanUndo())) return false;
  const HistoryStep& step = redo ? timeline_.NextRedo() : timeline_.NextUndo();
  if (!ApplyChanges(doc, step.changes, redo)) return false;
  ApplyChanges(Document(*shadowSong_, shadowSettings_), step.changes, redo);
  if (shown) *shown = {step.name, step.page, PlaceOf(step.changes)};
  redo ? songPath_.Redone(step.serial) : songPath_.Undone(step.serial);
  redo ? timeline_.Redo() : timeline_.Undo();
  Write(MarkRecord(redo ? JournalOp::Redo : JournalOp::Undo));
  KeepJournalSmall();
  return true;
}

void History::SongReplaced(SongDocument doc, std::string_view name, uint8_t page, std::string file, bool saved) {
  const bool stepped = RecordStep(doc, name, page, {});
  if (stepped) {
    const uint32_t serial = timeline_.NextUndo().serial;
    songPath_.Replaced(serial, std::move(file));
    const SongPath::Change& change = *songPath_.ChangeOf(serial);
    Write(FileRecord({change.before, change.after}));
  } else {
    songPath_.Saved(std::move(file));
  }
  if (saved) {
    MarkSaved(doc);
  } else if (!stepped && journal_.IsOpen()) {
    RestartJournal(doc);  // only the Base record can say the file changed
  } else {
    KeepJournalSmall();
  }
}

void History::SongWritten(SongDocument doc, std::string file) {
  songPath_.Saved(std::move(file));
  MarkSaved(doc);
}

void History::MarkSaved(SongDocument doc) {
  SyncShadow(doc);
  timeline_.MarkSaved();
  timeline_.EndRun();
  if (journal_.IsOpen()) RestartJournal(doc);
}

bool History::StartJournal(SongDocument doc, const std::string& path) {
  journalPath_ = path;
  journalFailed_ = false;
  RestartJournal(doc);
  return !journalFailed_;
}

void History::RemoveJournal() { journal_.Remove(); }

std::string History::KeepJournal() {
  journal_.Close();
  return journalPath_;
}

void History::RestartJournal(SongDocument doc) {
  std::string bytes = JournalHeader() + BaseRecord(doc.song, doc.settings);
  if (!songPath_.path().empty()) bytes += FileRecord({{}, songPath_.path()});
  const auto& steps = timeline_.Steps();
  for (size_t i = 0; i < timeline_.DoneCount(); ++i) bytes += StepRecords(JournalOp::Past, steps[i]);
  for (size_t i = steps.size(); i > timeline_.DoneCount(); --i) bytes += StepRecords(JournalOp::Future, steps[i - 1]);
  if (!journal_.Start(journalPath_, bytes)) journalFailed_ = true;
}

// A step's record, and the file it moved the song to when it loaded one or started a new one.
std::string History::StepRecords(JournalOp op, const HistoryStep& step) const {
  std::string bytes = StepRecord(op, step);
  if (const SongPath::Change* change = songPath_.ChangeOf(step.serial))
    bytes += FileRecord({change->before, change->after});
  return bytes;
}

void History::Write(const std::string& record) {
  if (!journal_.IsOpen()) return;
  if (!journal_.Append(record)) {
    journal_.Close();
    journalFailed_ = true;
  }
}

// Called once a command's records are all written, so that a new start holds them whole.
void History::KeepJournalSmall() {
  if (journal_.IsOpen() && journal_.BytesWritten() > 2 * timeline_.Bytes() + kJournalSlack) {
    RestartJournal(Document(*shadowSong_, shadowSettings_));
  }
}

void History::SyncShadow(SongDocument doc) {
  *shadowSong_ = doc.song;
  shadowSettings_ = doc.settings;
}

void History::Restore(SongDocument doc, const JournalContents& journal) {
  doc.song = *journal.song;
  doc.settings = journal.settings;
  SyncShadow(doc);
  timeline_ = Timeline(timeline_.Limits());
  songPath_.Forget();
  bool pushed = false;  // the record before added a step, whose file a File record gives
  for (size_t i = 0; i < journal.entries.size(); ++i) {
    const JournalEntry& entry = journal.entries[i];
    if (entry.op != JournalOp::File) {
      pushed = Replay(doc, entry);
      continue;
    }
    if (i == 0) songPath_.Saved(entry.file.after);  // the Base record's file
    if (pushed) ReplayFile(journal.entries[i - 1].op, entry.file);
    pushed = false;
  }
  SyncShadow(doc);
  timeline_.ForgetSaved();
  if (journal_.IsOpen()) RestartJournal(doc);
}

// One journal record, as the running program did it; records that do not fit are skipped
// (a journal is only read up to its last good frame, so this is the odd damaged step).
// True when it added a step to the timeline.
bool History::Replay(SongDocument doc, const JournalEntry& entry) {
  switch (entry.op) {
    case JournalOp::Step:
      if (!ApplyChanges(doc, entry.step.changes, true)) return false;
      timeline_.Push(entry.step);
      return true;
    case JournalOp::Amend:
      if (!timeline_.CanUndo() || timeline_.CanRedo()) break;
      if (!ApplyChanges(doc, timeline_.NextUndo().changes, false)) break;
      if (ApplyChanges(doc, entry.step.changes, true)) {
        timeline_.ReplaceNewest(entry.step);
      } else {
        ApplyChanges(doc, timeline_.NextUndo().changes, true);
      }
      break;
    case JournalOp::Undo:
      if (!timeline_.CanUndo() || !ApplyChanges(doc, timeline_.NextUndo().changes, false)) break;
      songPath_.Undone(timeline_.Undo().serial);
      break;
    case JournalOp::Redo:
      if (!timeline_.CanRedo() || !ApplyChanges(doc, timeline_.NextRedo().changes, true)) break;
      songPath_.Redone(timeline_.Redo().serial);
      break;
    case JournalOp::Past:
      timeline_.Push(entry.step);
      return true;
    case JournalOp::Future:
      timeline_.PushUndone(entry.step);
      return true;
    case JournalOp::Base:
    case JournalOp::File:
      break;
  }
  return false;
}

// The file of the step read back just before: a step done anew moves the song's file, one
// written down again (Past, Future) only remembers it, as the Base record named the file.
void History::ReplayFile(JournalOp stepOp, const SongFileChange& file) {
  const HistoryStep& step = stepOp == JournalOp::Future ? timeline_.NextRedo() : timeline_.NextUndo();
  songPath_.Known(step.serial, file.before, file.after);
  if (stepOp == JournalOp::Step) songPath_.Saved(file.after);
}

}  // namespace kelmar
