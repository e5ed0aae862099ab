#include "app/history_controller.h"

#include "app/message_box.h"
#include "app/recovery_folder.h"
#include "engine/engine.h"
#include "files/song_settings.h"
#include "history/journal_replay.h"

namespace kelmar {

HistoryController::HistoryController(Engine& engine, SongSettings& settings, MessageBoxes& messages)
    : engine_(engine), settings_(settings), messages_(messages), history_(engine.song, settings) {
  clock_.start();
}

HistoryController::~HistoryController() = default;

SongDocument HistoryController::Document() { return {engine_.song, settings_}; }

void HistoryController::StepDone(std::string_view name, uint8_t page, StepRun run) {
  run.timeMs = clock_.elapsed();
  history_.Record(Document(), name, page, run);
}

void HistoryController::SongReplaced(const char* step, uint8_t page, const QString& file) {
  history_.SongReplaced(Document(), step, page, file.toStdString(), true);
}

void HistoryController::SongWritten(const QString& file) { history_.SongWritten(Document(), file.toStdString()); }

std::optional<StepShown> HistoryController::Undo() { return Move(false); }

std::optional<StepShown> HistoryController::Redo() { return Move(true); }

std::optional<StepShown> HistoryController::Move(bool redo) {
  const Timeline& timeline = history_.timeline();
  if (!(redo ? timeline.CanRedo() : timeline.CanUndo())) return std::nullopt;
  StepShown shown;
  {
    EngineLock lock(engine_);
    if (!(redo ? history_.Redo(Document(), &shown) : history_.Undo(Document(), &shown))) return std::nullopt;
    for (int i = 0; i < kInstrumentCount; ++i) {
      if (shown.place.instruments.test(i)) engine_.BuildWaveTable(static_cast<uint8_t>(i));
    }
  }
  return shown;
}

void HistoryController::StartRecovery(const QString& folder) {
  recovery_ = std::make_unique<RecoveryFolder>(folder);
  if (recovery_->Claim()) history_.StartJournal(Document(), recovery_->JournalPath().toStdString());
}

bool HistoryController::RecoveryOff() const {
  return recovery_ && (history_.JournalFailed() || recovery_->JournalPath().isEmpty());
}

bool HistoryController::OfferRecovery() {
  if (!recovery_) return false;
  const QStringList dead = recovery_->DeadJournals();
  Offer offer = Offer::Empty;
  for (const QString& path : dead) {
    offer = OfferJournal(path);
    if (offer != Offer::Empty) break;
  }
  // Offered or not, a dead journal is set aside and kept: a wrong answer loses nothing.
  for (const QString& path : dead) recovery_->SetAside(path);
  return offer == Offer::Restored;
}

HistoryController::Offer HistoryController::OfferJournal(const QString& path) {
  const std::optional<JournalContents> journal = ReadJournalFile(path.toStdString());
  if (!journal) return Offer::Empty;
  if (!messages_.Ask("Kelmar was not closed properly. Restore the unsaved work?")) return Offer::Declined;
  {
    EngineLock lock(engine_);
    engine_.StopPlayback();
    history_.Restore(Document(), *journal);
    engine_.SamplesPerTick = engine_.SamplesPerTickFor(engine_.song.Tempo);
    engine_.BuildAllWaveTables();
  }
  return Offer::Restored;
}

void HistoryController::CleanExit() {
  if (recovery_ && UnsavedChanges()) {
    const std::string journal = history_.KeepJournal();
    if (!journal.empty()) recovery_->SetAside(QString::fromStdString(journal));
  } else {
    history_.RemoveJournal();
  }
  if (recovery_) recovery_->Release();
}

QStringList HistoryController::KeptJournals() const { return recovery_ ? recovery_->KeptJournals() : QStringList(); }

bool HistoryController::LoadUnsavedWork(const QString& journal, uint8_t page) {
  std::optional<JournalWork> work = ReplayJournalFile(journal.toStdString());
  if (!work) {
    messages_.Error("No Kelmar journal");
    return false;
  }
  {
    EngineLock lock(engine_);
    engine_.StopPlayback();
    engine_.song = *work->song;
    engine_.SamplesPerTick = engine_.SamplesPerTickFor(engine_.song.Tempo);
    engine_.BuildAllWaveTables();
  }
  settings_ = work->settings;
  history_.SongReplaced(Document(), "Load Song", page, std::move(work->file), false);
  return true;
}

}  // namespace kelmar
