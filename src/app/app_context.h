// What every page and command of the main window works on. The main window owns all of it.
#pragma once

#include <QList>
#include <QString>
#include <string_view>

#include "editors/editor_state.h"
#include "history/history.h"
#include "engine/engine.h"
#include "files/song_settings.h"

class QWidget;

namespace kelmar {

class AudioOutput;
class MessageBoxes;

// Views that one page or command refreshes on another; the main window forwards them.
class Views {
 public:
  virtual ~Views() = default;
  virtual void RefreshInstrumentPanel() = 0;
  virtual void RefreshPatternView() = 0;
  virtual void RefreshOrderList() = 0;
  virtual void ApplyColors() = 0;
  virtual void NewSong() = 0;
  // The pattern page's status line follows the editing state (an instrument's file).
  virtual void ShowStatus() {}
  // A message for a screen reader that no control shows as it happens ("Record on").
  virtual void Announce(const QString&) {}
  // Every text box of the window (about text, row numbers, eight tracks, order list,
  // comment, title), in that order, for the colours.
  virtual QList<QWidget*> TextBoxes() = 0;
  // A user command is done: what it changed in the song becomes one undo step named as
  // the Edit menu shows it ("Note Entry", "Tempo"). `run` says how it may merge with the
  // step before (its time is filled in here).
  virtual void StepDone(std::string_view name, StepRun run = {}) = 0;
  // The song differs from what was last saved, loaded or started anew: the history's
  // answer, and the only one.
  virtual bool UnsavedChanges() const = 0;
};

struct AppContext {
  Engine& engine;
  EditorState& state;
  SongSettings& settings;
  MessageBoxes& messages;
  AudioOutput& audio;
  Views& views;
};

}  // namespace kelmar
