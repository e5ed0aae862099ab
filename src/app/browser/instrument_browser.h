// "Instrument Browser": a window of its own beside the main window that lists instruments on
// disk as a tree (the installed starters, instruments/ of the start folder, the user's library,
// folders the user adds), filtered by a search field. The highlighted instrument plays after a
// short pause and is drawn as the instrument page draws it; while the list has the keys, the
// note keys and MIDI notes play it. Enter, a double-click or a drag onto the instrument page
// loads it into the current slot, as Load > Instrument does. Looking changes nothing.
//
// Threads: window thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "editors/instrument/instrument_drawing.h"
#include "editors/instrument/instrument_library.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace kelmar {

struct AppContext;
class AuditionPlayer;
class Engine;
struct MidiNoteEvent;

// Where the browser looks, besides the folders the user adds.
struct BrowserFolders {
  QString starters;  // the installed starter instruments; empty: none
  QString start;     // instruments/ of the start folder; empty: none
  QString library;   // the user's library, made by the first "Save to Library..."; empty: none
  QString added;     // the file that keeps the folders the user added; empty: kept until the end
};

class InstrumentBrowser : public QWidget {
  Q_OBJECT
 public:
  InstrumentBrowser(AppContext& ctx, AuditionPlayer& player, BrowserFolders folders, QWidget* mainWindow);
  ~InstrumentBrowser() override;

  // Reads every folder again, keeping the search and, where it is still there, the highlight.
  void Rescan();
  void AddFolder(const QString& path);
  // "Save to Library...": the current instrument into the library under a name asked for;
  // asks before it replaces a file. The path written, or empty.
  QString SaveToLibrary();
  // A MIDI note while the browser is the active window: the highlighted instrument plays it.
  void PlayMidiNote(const MidiNoteEvent& note);
  // The instrument highlighted (a file entry), or null.
  const LibraryEntry* Highlighted() const;

  // Test seam: answers the name "Save to Library..." asks for (empty: cancelled).
  using NameHook = std::function<QString(const QString& suggested)>;
  void SetNameHook(NameHook hook) { nameHook_ = std::move(hook); }

 signals:
  void shownChanged(bool shown);
  // Enter, a double-click or the Load button: load this file into the current instrument.
  void loadRequested(const QString& path);
  // An octave key set the preview octave.
  void octaveChanged();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildList(QWidget* column);
  QWidget* BuildPicture();
  void ShowTree();
  void AddItems(QTreeWidgetItem* parent, const LibraryEntry& folder, bool root);
  void HighlightChanged();
  void DrawPicture(const LibraryEntry* entry);
  void LoadHighlighted();
  bool TreeKey(QKeyEvent* event);
  void RemoveFolder(const QString& path);
  void KeepAddedFolders() const;
  QString AskName(const QString& suggested);

  AppContext& ctx_;
  AuditionPlayer& player_;
  BrowserFolders folders_;
  QStringList added_;
  QWidget* mainWindow_;
  bool placed_ = false;
  std::vector<LibraryEntry> roots_;  // as read
  std::vector<LibraryEntry> shown_;  // as filtered; the tree's items point into it
  QLineEdit* search_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QLabel* about_ = nullptr;
  QCheckBox* mute_ = nullptr;
  QLabel* output_ = nullptr;
  std::array<QLabel*, 4> oscillators_{};
  std::array<QLabel*, 2> envelopes_{};
  // The pictures' own engine: drawing rebuilds a wave table, never the song's.
  std::unique_ptr<Engine> picture_;
  ScopeImages images_;
  int heldKey_ = 0;  // the note key that sounds, 0: none
  NameHook nameHook_;
};

}  // namespace kelmar
