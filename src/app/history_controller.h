// The song's history as the window uses it: every user command becomes one undo step, undo
// and redo put back what a step changed, the saved state answers whether there are unsaved
// changes, the song's own file follows loads and saves through undo, and the recovery
// journal is kept and, after a crash, offered. The window owns one and shows what it says
// (the Edit menu's Undo and Redo, the caption, "Crash recovery off"). Window thread only.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string_view>

#include "history/history.h"

namespace kelmar {

class Engine;
class MessageBoxes;
class RecoveryFolder;
struct SongSettings;

class HistoryController {
 public:
  // The history starts from the song as it is now, which counts as saved.
  HistoryController(Engine& engine, SongSettings& settings, MessageBoxes& messages);
  ~HistoryController();

  // A user command is done on `page`: what it changed becomes one step named `name`
  // ("Note Entry", "Tempo"); `run` says how it may merge with the step before.
  void StepDone(std::string_view name, uint8_t page, StepRun run = {});
  // A load (from `file`) or a new song (no file) replaced the song: one step, after which
  // the song is as saved and `file` is its own.
  void SongReplaced(const char* step, uint8_t page, const QString& file);
  // The song was written to `file`, which is now its own.
  void SongWritten(const QString& file);

  // Undo and redo, under the engine lock, so a playing song hears the restored instruments
  // from the next tick on. What the step changed, or nothing when there was no step.
  std::optional<StepShown> Undo();
  std::optional<StepShown> Redo();

  // The song differs from what was last saved, loaded or started anew.
  bool UnsavedChanges() const { return history_.Unsaved(); }
  // The song's own file (loaded from or last saved to); empty while it has none.
  QString SongFilePath() const { return QString::fromStdString(history_.SongFile()); }
  const Timeline& timeline() const { return history_.timeline(); }

  // Journals every step into a folder of recovery journals (the program does; most tests
  // do not).
  void StartRecovery(const QString& folder);
  // The journal was wanted but cannot be written.
  bool RecoveryOff() const;
  // Offers the journals that programs which died left behind, and sets them aside; true
  // when the user took one back (the song and its timeline are then the journal's).
  bool OfferRecovery();
  // A clean exit: nothing to recover. A journal with unsaved changes is kept (in kept/, see
  // KeptJournals); one without goes.
  void CleanExit();
  // The journals kept after a crash or a quit with unsaved changes, the newest first.
  QStringList KeptJournals() const;
  // Load > Unsaved Work: the song a kept journal ends with replaces the song as one "Load
  // Song" step made on `page`, with the journal's file as its own and still unsaved. The
  // journal stays. False, with a message, when it no longer reads.
  bool LoadUnsavedWork(const QString& journal, uint8_t page);

 private:
  std::optional<StepShown> Move(bool redo);
  SongDocument Document();
  // One journal offered: it held nothing to restore, the user said no, or it was restored.
  enum class Offer { Empty, Declined, Restored };
  Offer OfferJournal(const QString& path);

  Engine& engine_;
  SongSettings& settings_;
  MessageBoxes& messages_;
  History history_;
  std::unique_ptr<RecoveryFolder> recovery_;
  QElapsedTimer clock_;
};

}  // namespace kelmar
