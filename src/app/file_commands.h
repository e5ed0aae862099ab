// The file menu commands: load and save of songs, patterns, instruments and oscillator
// waveforms, and the clearing of one pattern or instrument. Each command shows its dialog,
// asks its question, calls the Qt-free file functions and refreshes the views; a file is
// read and checked whole before anything in the song changes.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "app/app_context.h"

class QWidget;

namespace kelmar {

// What a command asks of its file dialog.
struct FileDialogRequest {
  bool save = false;      // save dialog (asks before overwriting) or open dialog (file must exist)
  QString filter;         // e.g. "Kelmar Song (*.SNG)"
  QString defaultSuffix;  // appended when the name has no extension, e.g. "SNG"
  QString folder;         // initial folder
  QString name;           // the file name it suggests (a path: in its folder); empty: none
  bool preview = false;   // the highlighted file is heard (Load / Instrument)
};

class FileCommands {
 public:
  FileCommands(AppContext& ctx, QWidget* window);

  bool Song2Click();         // Load / Song; true when a song was loaded
  // Save / Song, the dialog suggesting `suggested` (see FileDialogRequest::name); true when
  // it was saved.
  bool Song3Click(const QString& suggested = {});
  // A song named on the command line: Load / Song without its dialog.
  bool OpenSong(const QString& name);
  // Saves the song to `name` without a dialog (Save / Song to the song's own file); a failed
  // save says why and leaves the file as it was.
  bool SaveSongTo(const QString& name);
  // Before the song is replaced: asks "Load Song?" while there are unsaved changes.
  bool MayLoadSong();
  // The song file last loaded or saved by the commands above, as an absolute path.
  const QString& LastSongFile() const { return lastSongFile_; }
  void LoadPattern1Click();  // Load / Pattern
  void SavePattern1Click();  // Save / Pattern
  void NewPattern1Click();   // New / Pattern
  void Instrument1Click();   // New / Instrument
  void Instrument2Click();   // Load / Instrument
  // Load / Instrument without its dialog (the instrument browser); true when it was loaded.
  bool LoadInstrumentFrom(const QString& name);
  void Instrument3Click();   // Save / Instrument
  void OSC1Wave1Click(int pair);  // Load / OSC1 Wave (pair 0), OSC2 Wave (pair 1)
  void OSC1Wave2Click(int pair);  // Save / OSC1 Wave, OSC2 Wave

  // Test seam: while set, it answers this instance's file dialogs instead of showing one;
  // an empty name is a cancelled dialog.
  using DialogHook = std::function<QString(const FileDialogRequest&)>;
  void SetDialogHook(DialogHook hook) { dialogHook_ = std::move(hook); }
  // While a dialog that previews is open, each file highlighted in it (an empty name: none,
  // and at the close).
  using PreviewHook = std::function<void(const QString&)>;
  void SetPreviewHook(PreviewHook hook) { previewHook_ = std::move(hook); }
  // Where installed starter songs and instruments are looked for (tests point it elsewhere).
  void SetStarterRoots(QStringList roots) { starterRoots_ = std::move(roots); }

 private:
  QString AskFileName(bool save, const QString& filter, const QString& suffix, const QString& subfolder,
                      const QString& suggested = {}, bool preview = false);
  void ShowError(const std::string& message, const QString& file);
  bool LoadSong(const QString& name);

  AppContext& ctx_;
  QWidget* window_;
  DialogHook dialogHook_;
  PreviewHook previewHook_;
  std::optional<QStringList> starterRoots_;
  QString lastSongFile_;
};

}  // namespace kelmar
