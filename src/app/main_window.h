// The main window TForm1: the four pages, the main menu (built from the command table),
// key preview, the 100 ms timer, start-up (FormCreate), the close question (FormCloseQuery)
// and shut-down (FormDestroy). It owns the engine, the editing state, the song settings, the
// message boxes, the audio output, the history and every page and command. Everything here
// runs on the window thread.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <memory>

#include "app/app_context.h"
#include "app/commands/menu_builder.h"
#include "app/keys/key_bindings.h"
#include "app/message_box.h"
#include "audio/audio_output.h"
#include "editors/editor_state.h"
#include "engine/engine.h"
#include "files/song_settings.h"
#include "midi/midi_note.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QTimer;

namespace kelmar {

class Announcer;
class AuditionPlayer;
class InstrumentBrowser;
class InstrumentPage;
class MidiKeyboard;
class PatternPage;
class ScopeWindow;
class SongPage;
class Transport;
class FileCommands;
class UnsavedWorkMenu;
class HistoryController;
class WavExport;
class AudioExport;

struct MainWindowOptions {
  // Tests that need no sound leave the device closed; the window behaves as without a sound card.
  bool openAudio = true;
};

class MainWindow : public QMainWindow, public Views {
  Q_OBJECT
 public:
  using Options = MainWindowOptions;

  // engine: built before the window exists (InitEngine); a fresh one when null.
  explicit MainWindow(std::unique_ptr<Engine> engine = nullptr, Options options = {});
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow() override;  // FormDestroy

  // Views: forwarded to the pages that own them.
  void RefreshInstrumentPanel() override;
  void RefreshPatternView() override;
  void RefreshOrderList() override;
  void ApplyColors() override;
  void NewSong() override;
  void ShowStatus() override;
  void Announce(const QString& text) override;
  QList<QWidget*> TextBoxes() override;
  void StepDone(std::string_view name, StepRun run = {}) override;
  bool UnsavedChanges() const override;

  // Edit / "Undo" and "Redo".
  void UndoClick();
  void RedoClick();
  // Journals every step into a folder of recovery journals (the program does; most tests
  // do not). Then, after the window shows, a journal left by a program that died is offered.
  void StartRecovery(const QString& folder);
  void OfferRecovery();
  // Opens Kelmar's MIDI input port and connects the keyboards there are (the program does;
  // tests that play no MIDI do not).
  void StartMidi();
  // Opens the sound device, for a window made without it (the program opens it once the
  // window is on the screen: finding a device can take a sound system's time).
  void StartAudio();
  // A note from a MIDI keyboard, on the window thread: the page shown plays it as a key.
  void MidiNote(const MidiNoteEvent& note);
  // Option > "Record": while the song plays, notes go to the row being heard.
  void RecordClick(bool on);
  // Loads a song named on the command line, as Load / Song does after its dialog.
  void OpenSongFile(const QString& path);
  // Load / "Unsaved Work": the work a kept journal holds, as one "Load Song" step.
  void UnsavedWorkClick(const QString& journal);
  // The song's own file (loaded from or last saved to); empty while it has none.
  QString SongFilePath() const;
  // What the song's save dialog suggests: the song's file, else its title as a file name.
  QString SuggestedSongFile() const;

  // Menu handlers owned by the window itself; the command table says which runs which.
  void Song1Click();  // New / "Song": asks "Clear Song?"
  // Load / "Song" and Save / "Song": the file commands' dialogs, then the history.
  void Song2Click();
  void Song3Click();
  // Save / "Song to ..." (Ctrl+S): to the song's own file without a dialog, or as Save / Song
  // while it has none.
  void SaveSongClick();
  void Quit1Click();
  // Option / "Scopes": shows or closes the scope window.
  void ScopesClick(bool show);
  // Option / "Instrument Browser": shows or closes the browser window.
  void InstrumentBrowserClick(bool show);
  // Save / "Save to Library...": the current instrument into the user's library.
  void SaveToLibraryClick();
  // The user's library of instruments, and the file that keeps the folders added to the
  // browser (the program sets both; without a library there is nothing to save into).
  void UseLibrary(const QString& libraryFolder, const QString& addedFoldersFile);
  // An instrument file chosen in the browser or dropped on the instrument page: loaded into
  // the current instrument as Load / Instrument does, one "Load Instrument" step.
  void LoadInstrumentDropped(const QString& path);
  void AutoIxxEffect1Click();
  // Option / "High Contrast": the window in white on black; the song's colours stay the song's.
  void HighContrastClick(bool on);
  // Option / "Next Page" (+1) and "Previous Page" (-1), round the four pages.
  void ShowNextPage(int step);
  void SampleFreqClick(QAction* item);
  void BuffersizeClick(QAction* item);
  void PageControl2Change();
  // Option / "Keys...": the key bindings dialog; OK writes keys.conf and the keys apply at once.
  void KeysClick();
  // The keys of a keys.conf (the program's is in the configuration folder), and the file the
  // Keys dialog writes; without one the keys are the defaults and the dialog writes nothing.
  void UseKeysFile(const QString& path);
  // Every command, note key and octave key takes the keys given.
  void ApplyKeys(const KeyBindings& bindings);
  const KeyBindings& keys() const { return keys_; }

  // The window's key handler under key preview; true when the key was used.
  bool FormKeyDown(QKeyEvent* event);
  // Keys the handler has seen so far (tests check that each key arrives once).
  int PreviewedKeyCount() const { return previewedKeys_; }

  // Accessors for the pages' owners and for tests.
  Engine& engine() { return *engine_; }
  EditorState& state() { return state_; }
  SongSettings& settings() { return settings_; }
  MessageBoxes& messages() { return messages_; }
  AudioOutput& audio() { return audio_; }
  AppContext& context() { return ctx_; }
  InstrumentPage& instrumentPage() { return *instrumentPage_; }
  PatternPage& patternPage() { return *patternPage_; }
  SongPage& songPage() { return *songPage_; }
  FileCommands& fileCommands() { return *fileCommands_; }
  Transport& transport() { return *transport_; }
  WavExport& wavExport() { return *wavExport_; }
  AudioExport& audioExport() { return *audioExport_; }
  HistoryController& history() { return *history_; }
  MidiKeyboard& midiKeyboard() { return *midiKeyboard_; }
  AuditionPlayer& auditionPlayer() { return *auditionPlayer_; }
  InstrumentBrowser& instrumentBrowser();  // made when first asked for

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPages();
  void BuildMenu();
  void FillSlot(const Command& slot, QMenu& menu);
  void FormCreate(const Options& options);
  void SetEditMenu(bool enabled, bool pattern, bool instrument);
  void ShowAudioState();
  void ShowRecoveryState();
  uint8_t CurrentPage() const;
  // A song was loaded from `file` or started anew (no file): that is now the saved state.
  void SongReplaced(const char* step, const QString& file);
  // The song was saved to a file, which is now its own.
  void SongWritten();
  // The Edit menu's Undo and Redo, "Crash recovery off" and the caption follow the history.
  void ShowHistory();
  // The caption and the quick save item follow the song's file and its unsaved flag.
  void ShowSongFile();
  void UpdateUndoItems();
  void ShowStep(const StepShown& shown);
  void RefreshAll();
  bool IsMenuShortcut(QKeyEvent* event) const;
  // Ctrl or Alt alone by its side, bound to a command: true when it ran one.
  bool RunPlaceKey(const QKeyEvent* event);
  void ShowIgnoredKeys(const ReadKeys& read);

  std::unique_ptr<Engine> engine_;
  EditorState state_;
  SongSettings settings_;
  MessageBoxes messages_;
  AudioOutput audio_;
  AppContext ctx_;
  // Made when first shown; it reads the audio output, so it goes before it.
  std::unique_ptr<ScopeWindow> scopes_;
  AuditionPlayer* auditionPlayer_ = nullptr;
  Announcer* announcer_ = nullptr;
  QPalette ownPalette_;  // the application's palette before High Contrast
  std::unique_ptr<InstrumentBrowser> browser_;
  QString libraryFolder_;
  QString addedFoldersFile_;

  QTabWidget* pageControl_ = nullptr;
  QWidget* aboutPage_ = nullptr;
  QPlainTextEdit* memoAbout_ = nullptr;
  InstrumentPage* instrumentPage_ = nullptr;
  PatternPage* patternPage_ = nullptr;
  SongPage* songPage_ = nullptr;
  std::unique_ptr<Transport> transport_;
  std::unique_ptr<FileCommands> fileCommands_;
  std::unique_ptr<WavExport> wavExport_;
  std::unique_ptr<AudioExport> audioExport_;
  QTimer* timer1_ = nullptr;

  std::unique_ptr<HistoryController> history_;

  QMenu* editMenu_ = nullptr;
  bool editMenuForPage_ = false;  // the page's own Edit items are enabled
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QAction* recoveryOff_ = nullptr;
  CommandItems items_;
  QAction* autoIxx_ = nullptr;
  QAction* scopesItem_ = nullptr;
  QAction* browserItem_ = nullptr;
  QAction* saveSong_ = nullptr;
  QString saveSongCaption_;
  MidiKeyboard* midiKeyboard_ = nullptr;
  UnsavedWorkMenu* unsavedWork_ = nullptr;
  QAction* noAudio_ = nullptr;
  KeyBindings keys_;
  QString keysFile_;
  QMenu* keysIgnored_ = nullptr;
  const QKeyEvent* previewedKey_ = nullptr;
  int previewedKeys_ = 0;
  QPointer<QWidget> previewedTarget_;
};

}  // namespace kelmar
