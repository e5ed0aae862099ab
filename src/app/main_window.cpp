#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstring>

#include "app/about_text.h"
#include "app/access/announcer.h"
#include "app/access/control_names.h"
#include "app/access/focus_ring.h"
#include "app/access/high_contrast.h"
#include "app/browser/audition_player.h"
#include "app/browser/instrument_browser.h"
#include "app/commands/command_table.h"
#include "app/dialog_folders.h"
#include "app/export/audio_export.h"
#include "app/export/wav_export.h"
#include "app/file_commands.h"
#include "app/fixed_font.h"
#include "app/history_controller.h"
#include "app/keys/keys_dialog.h"
#include "app/menu_focus.h"
#include "app/midi_keyboard.h"
#include "app/platform_key.h"
#include "app/pages/instrument_page.h"
#include "app/pages/pattern_page.h"
#include "app/pages/song_page.h"
#include "app/scopes/scope_window.h"
#include "app/transport.h"
#include "app/unsaved_work_menu.h"
#include "app/window_pages.h"
#include "editors/pattern/pattern_status.h"
#include "editors/song/song_settings_rules.h"

namespace kelmar {

namespace {

constexpr int kClientWidth = 671;
constexpr int kClientHeight = 519;
constexpr int kTimer1Interval = 100;

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Engine> engine, Options options)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                               Qt::MSWindowsFixedSizeDialogHint),
      engine_(engine ? std::move(engine) : std::make_unique<Engine>()),
      messages_(this),
      audio_(*engine_),
      ctx_{*engine_, state_, settings_, messages_, audio_, *this} {
  setObjectName("TForm1");
  setWindowTitle(kWindowCaption);
  QFont font("Tahoma");
  font.setPixelSize(11);
  setFont(font);

  announcer_ = new Announcer(this);
  new FocusRing(this);
  BuildPages();
  transport_ = std::make_unique<Transport>(ctx_, *patternPage_, *songPage_);
  fileCommands_ = std::make_unique<FileCommands>(ctx_, this);
  auditionPlayer_ = new AuditionPlayer(ctx_, this);
  fileCommands_->SetPreviewHook([this](const QString& file) {
    if (state_.PreviewInDialogs || file.isEmpty()) auditionPlayer_->HighlightFile(file);
  });
  instrumentPage_->SetDropHandler([this](const QString& file) { LoadInstrumentDropped(file); });
  wavExport_ = std::make_unique<WavExport>(ctx_, this);
  audioExport_ = std::make_unique<AudioExport>(
      ctx_, this, [this] { return SuggestedSongFile(); }, [this] { transport_->Stop1Click(); });
  BuildMenu();

  // Fixed client area; the menu bar sits above it, as on the desktop it was drawn for.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  FormCreate(options);

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(kTimer1Interval);
  connect(timer1_, &QTimer::timeout, this, [this] { transport_->Timer1Timer(); });
  timer1_->start();

  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  // FormDestroy: the stream stops while the song tables still exist.
  qApp->removeEventFilter(this);
  delete midiKeyboard_;  // no note may arrive while the rest goes
  midiKeyboard_ = nullptr;
  if (timer1_) timer1_->stop();
  audio_.CloseAudio();
  browser_.reset();
  // Commands refer to pages, and pages to the context: both go before the members they use.
  audioExport_.reset();
  wavExport_.reset();
  fileCommands_.reset();
  transport_.reset();
  delete pageControl_;
  pageControl_ = nullptr;
}

void MainWindow::BuildPages() {
  pageControl_ = new QTabWidget(this);
  pageControl_->setObjectName("PageControl2");
  pageControl_->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(pageControl_);

  aboutPage_ = new QWidget(pageControl_);
  aboutPage_->setObjectName("TAbout");
  memoAbout_ = new QPlainTextEdit(aboutPage_);
  memoAbout_->setObjectName("MemoAbout");
  memoAbout_->setGeometry(0, 0, 660, 478);
  memoAbout_->setReadOnly(true);
  memoAbout_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoAbout_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memoAbout_->setFont(FixedPitchFont(16));
  memoAbout_->setPlainText(AboutText());
  memoAbout_->setAccessibleName(QStringLiteral("About Kelmar"));
  NameScrollBarsOf(memoAbout_);

  instrumentPage_ = new InstrumentPage(ctx_, pageControl_);
  instrumentPage_->setObjectName("TInst");
  patternPage_ = new PatternPage(ctx_, pageControl_);
  patternPage_->setObjectName("TPattEd");
  songPage_ = new SongPage(ctx_, pageControl_);
  songPage_->setObjectName("TOrder");

  pageControl_->addTab(aboutPage_, "About");
  pageControl_->addTab(instrumentPage_, "Instrument Editor");
  pageControl_->addTab(patternPage_, "Pattern Editor");
  pageControl_->addTab(songPage_, "Song Editor");
  pageControl_->setCurrentIndex(kAboutPage);

  connect(pageControl_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == kPatternPage) patternPage_->TPattEdShow();
    if (index == kSongPage) songPage_->TOrderShow();
    PageControl2Change();
  });
}

void MainWindow::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  bar->setNativeMenuBar(false);  // the menu belongs to the fixed-size window
  items_ = BuildMenuBar(*bar, *this, [this](const Command& slot, QMenu& menu) { FillSlot(slot, menu); });
  editMenu_ = findChild<QMenu*>("Edit1");
  undo_ = items_["Undo1"];
  redo_ = items_["Redo1"];
  saveSong_ = items_["SaveSong1"];
  saveSongCaption_ = saveSong_->text();  // "%1" stands for the song's file
  noAudio_ = items_["NoAudio1"];
  recoveryOff_ = items_["RecoveryOff1"];
  autoIxx_ = items_["AutoIxxEffect1"];
  scopesItem_ = items_["Scopes1"];
  browserItem_ = items_["InstrumentBrowser1"];
  items_["SaveToLibrary1"]->setEnabled(false);  // until there is a library (UseLibrary)

  new MenuFocus(*bar, *this);

  // At start the Edit menu is disabled with all its items visible.
  SetEditMenu(false, true, true);
  UpdateUndoItems();
  ShowSongFile();
}

// The submenus the window lists itself: the keys.conf lines ignored, the unsaved work kept,
// the MIDI sources.
void MainWindow::FillSlot(const Command& slot, QMenu& menu) {
  if (std::strcmp(slot.name, "KeysIgnored1") == 0) {
    keysIgnored_ = menu.addMenu(QString());
    keysIgnored_->setObjectName(slot.name);
    keysIgnored_->menuAction()->setVisible(false);
  } else if (std::strcmp(slot.name, "UnsavedWork1") == 0) {
    unsavedWork_ = new UnsavedWorkMenu(
        &menu, QString::fromUtf8(slot.caption), [this] { return history_ ? history_->KeptJournals() : QStringList(); },
        [this](const QString& journal) { UnsavedWorkClick(journal); }, this);
  } else {
    midiKeyboard_ = new MidiKeyboard(&menu, [this](const MidiNoteEvent& note) { MidiNote(note); }, this);
  }
}

void MainWindow::FormCreate(const Options& options) {
  ApplyColors();
  state_.EnvelopeTab = 0;
  state_.CurrentInstrument = 0;
  state_.PreviewVoice = 0;
  state_.PreviewOctave = 3;
  state_.StartFolder = QDir::currentPath().toStdString();
  NewSong();
  history_ = std::make_unique<HistoryController>(*engine_, settings_, messages_);
  // The row numbers and the order list texts are filled by their pages as they are built.
  for (Channel& channel : engine_->Channels) channel.LRVolume = 255;
  RefreshInstrumentPanel();
  if (options.openAudio) audio_.OpenAudio();  // without a device the editors work on in silence
  engine_->random.Seed(static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch()));
  ShowAudioState();
}

void MainWindow::NewSong() {
  {
    EngineLock lock(*engine_);
    ResetSong(engine_->song);
  }
  settings_.Title = "Songtitle";
  settings_.Comment = "Songcomment";
  ForgetInstrumentFiles(state_);
  RefreshInstrumentPanel();
  RefreshPatternView();
  RefreshOrderList();
}

void MainWindow::Song1Click() {
  if (!messages_.Question("Clear Song?")) return;
  NewSong();
  SongReplaced("New Song", QString());
}

void MainWindow::Song2Click() {
  if (fileCommands_->Song2Click()) SongReplaced("Load Song", fileCommands_->LastSongFile());
}

void MainWindow::Song3Click() {
  if (fileCommands_->Song3Click(SuggestedSongFile())) SongWritten();
}

void MainWindow::SaveSongClick() {
  const QString file = SongFilePath();
  if (file.isEmpty() ? fileCommands_->Song3Click(SuggestedSongFile()) : fileCommands_->SaveSongTo(file)) SongWritten();
}

// The song's own file, else a name made of its title, else none.
QString MainWindow::SuggestedSongFile() const {
  const QString file = SongFilePath();
  return file.isEmpty() ? QString::fromStdString(SongFileNameFromTitle(settings_.Title)) : file;
}

void MainWindow::OpenSongFile(const QString& path) {
  if (fileCommands_->OpenSong(path)) SongReplaced("Load Song", fileCommands_->LastSongFile());
}

void MainWindow::Quit1Click() { close(); }

void MainWindow::ScopesClick(bool show) {
  if (!scopes_) {
    scopes_ = std::make_unique<ScopeWindow>(audio_, this);
    connect(scopes_.get(), &ScopeWindow::shownChanged, scopesItem_, &QAction::setChecked);
  }
  scopes_->setVisible(show);
}

InstrumentBrowser& MainWindow::instrumentBrowser() {
  if (browser_) return *browser_;
  BrowserFolders folders;
  for (const QString& root : InstalledStarterRoots()) {
    if (QFileInfo(root + QStringLiteral("/instruments")).isDir()) {
      folders.starters = root + QStringLiteral("/instruments");
      break;
    }
  }
  folders.start = QString::fromStdString(state_.StartFolder) + QStringLiteral("/instruments");
  folders.library = libraryFolder_;
  folders.added = addedFoldersFile_;
  browser_ = std::make_unique<InstrumentBrowser>(ctx_, *auditionPlayer_, folders, this);
  connect(browser_.get(), &InstrumentBrowser::shownChanged, browserItem_, &QAction::setChecked);
  connect(browser_.get(), &InstrumentBrowser::loadRequested, this, &MainWindow::LoadInstrumentDropped);
  connect(browser_.get(), &InstrumentBrowser::octaveChanged, instrumentPage_, &InstrumentPage::ShowPreviewOctave);
  // The transport keys and the browser's own work while the browser has the keys.
  for (const char* name : {"Song4", "Pattern1", "PlayFromCursor1", "Stop1", "Scopes1", "InstrumentBrowser1"})
    browser_->addAction(items_[name]);
  return *browser_;
}

void MainWindow::InstrumentBrowserClick(bool show) { instrumentBrowser().setVisible(show); }

void MainWindow::SaveToLibraryClick() {
  if (libraryFolder_.isEmpty()) return;
  instrumentBrowser().SaveToLibrary();
}

void MainWindow::UseLibrary(const QString& libraryFolder, const QString& addedFoldersFile) {
  libraryFolder_ = libraryFolder;
  addedFoldersFile_ = addedFoldersFile;
  items_["SaveToLibrary1"]->setEnabled(!libraryFolder_.isEmpty());
}

void MainWindow::LoadInstrumentDropped(const QString& path) {
  if (fileCommands_->LoadInstrumentFrom(path)) StepDone(FindCommand("Instrument2")->step);
}

void MainWindow::AutoIxxEffect1Click() { state_.AutoIxxEffect = autoIxx_->isChecked(); }

void MainWindow::SampleFreqClick(QAction* item) {
  audio_.ReopenWithSampleRate(static_cast<uint16_t>(item->data().toInt()));
  item->setChecked(true);
  ShowAudioState();
}

void MainWindow::BuffersizeClick(QAction* item) {
  audio_.ReopenWithBufferSize(static_cast<uint16_t>(item->data().toInt()));
  item->setChecked(true);
  ShowAudioState();
}

void MainWindow::KeysClick() {
  KeysDialog dialog(keys_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (!keysFile_.isEmpty()) {
    if (const FileError error = SaveKeyBindings(dialog.bindings(), keysFile_)) {
      messages_.Error(QStringLiteral("The keys could not be saved. They apply until Kelmar ends."),
                      keysFile_ + QStringLiteral(": ") + QString::fromStdString(error.message()));
    }
  }
  ApplyKeys(dialog.bindings());
}

void MainWindow::UseKeysFile(const QString& path) {
  keysFile_ = path;
  const ReadKeys read = LoadKeyBindings(path);
  ApplyKeys(read.bindings);
  ShowIgnoredKeys(read);
}

void MainWindow::ApplyKeys(const KeyBindings& bindings) {
  keys_ = bindings;
  SetShortcuts(items_, keys_);
  state_.Keys = keys_.NoteKeysForEditors();
}

void MainWindow::ShowIgnoredKeys(const ReadKeys& read) {
  keysIgnored_->clear();
  const qsizetype lines = read.ignored.size();
  const QString what = !read.fileError.isEmpty() ? QStringLiteral("the file")
                       : lines == 1              ? QStringLiteral("1 line")
                                                 : QStringLiteral("%1 lines").arg(lines);
  keysIgnored_->setTitle(QString::fromUtf8(FindCommand("KeysIgnored1")->caption).arg(what));
  for (const QString& line : read.ignored) keysIgnored_->addAction(line)->setEnabled(false);
  if (!read.fileError.isEmpty()) keysIgnored_->addAction(read.fileError)->setEnabled(false);
  keysIgnored_->menuAction()->setVisible(lines > 0 || !read.fileError.isEmpty());
}

bool MainWindow::RunPlaceKey(const QKeyEvent* event) {
  const KeyPlace* place = event->isAutoRepeat() ? nullptr : ModifierPlaceOf(event);
  if (!place) return false;
  for (size_t t = 0; t < KeyTargets().size(); ++t) {
    const Command* command = KeyTargets()[t].command;
    if (!command || !keys_.KeysOf(static_cast<int>(t)).contains(BoundKey::Place(*place))) continue;
    QAction* item = items_[command->name];
    if (!item->isEnabled() || !item->isVisible()) return false;
    item->trigger();
    return true;
  }
  return false;
}

void MainWindow::ShowAudioState() { noAudio_->setVisible(!audio_.IsOpen()); }

void MainWindow::SetEditMenu(bool enabled, bool pattern, bool instrument) {
  editMenuForPage_ = enabled;
  // Undo and Redo work on every page: the menu opens whenever one of them can act.
  editMenu_->menuAction()->setEnabled(enabled || undo_->isEnabled() || redo_->isEnabled());
  // A disabled menu's items must not answer their shortcuts either.
  for (QAction* item : items_.patternItems) {
    item->setVisible(pattern);
    item->setEnabled(enabled);
  }
  for (QAction* item : items_.instrumentItems) {
    item->setVisible(instrument);
    item->setEnabled(enabled);
  }
}

void MainWindow::PageControl2Change() {
  switch (pageControl_->currentIndex()) {
    case kPatternPage:
      SetEditMenu(true, true, false);
      break;
    case kInstrumentPage:
      SetEditMenu(true, false, true);
      break;
    default:
      SetEditMenu(false, false, false);
      break;
  }
}

bool MainWindow::FormKeyDown(QKeyEvent* event) {
  ++previewedKeys_;
  switch (pageControl_->currentIndex()) {
    case kInstrumentPage:
      return instrumentPage_->FormKeyDown(event);
    case kPatternPage:
      return patternPage_->FormKeyDown(event);
    default:
      return false;
  }
}

void MainWindow::StartMidi() { midiKeyboard_->Start(); }

void MainWindow::StartAudio() {
  if (!audio_.IsOpen()) audio_.OpenAudio();
  ShowAudioState();
}

void MainWindow::MidiNote(const MidiNoteEvent& note) {
  // A box that asks something has the keyboard to itself, and so the MIDI keyboard too.
  if (QApplication::activeModalWidget()) return;
  if (browser_ && browser_->isActiveWindow()) {
    browser_->PlayMidiNote(note);
    return;
  }
  switch (pageControl_->currentIndex()) {
    case kInstrumentPage:
      if (note.on) instrumentPage_->PlayNote(note.note);
      break;
    case kPatternPage:
      patternPage_->PlayNote(note);
      break;
    default:
      break;
  }
}

void MainWindow::RecordClick(bool on) {
  state_.Record = on;
  patternPage_->recorder().EndTake();
  patternPage_->ShowStatus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (messages_.Question("Unsaved changes will be lost. Quit KELMAR?", false)) {
    history_->CleanExit();
    event->accept();
  } else {
    event->ignore();
  }
}

bool MainWindow::IsMenuShortcut(QKeyEvent* event) const {
  const QKeySequence pressed(event->keyCombination());
  for (const QAction* item : items_.withShortcuts) {
    if (!item->isEnabled() || !item->isVisible()) continue;
    for (const QKeySequence& shortcut : item->shortcuts()) {
      if (shortcut.matches(pressed) == QKeySequence::ExactMatch) return true;
    }
  }
  return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  // Keys that move through the menu bar belong to the menu.
  if (!widget || widget->window() != this || qobject_cast<QMenuBar*>(widget)) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  // The text boxes' own undo would disagree with the song's: their undo keys are the menu's
  // even while there is nothing to undo.
  const QKeySequence pressed(key->keyCombination());
  for (const QAction* item : {undo_, redo_}) {
    for (const QKeySequence& shortcut : item->shortcuts()) {
      if (shortcut.matches(pressed) == QKeySequence::ExactMatch) return type == QEvent::KeyPress || item->isEnabled();
    }
  }
  if (type == QEvent::ShortcutOverride) {
    // Menu shortcuts come first: a text box must not claim Ctrl+C or Ctrl+V for itself
    // while the Edit menu offers them. Left unaccepted, the event goes on to the menu.
    return IsMenuShortcut(key);
  }
  // Key preview: the window's handler sees each key once, before the control that has it.
  // An ignored key travels up the parents as the same event; only its first stop counts.
  if (key == previewedKey_ && previewedTarget_ && previewedTarget_ != widget &&
      widget->isAncestorOf(previewedTarget_)) {
    return false;
  }
  previewedKey_ = key;
  previewedTarget_ = widget;
  if (RunPlaceKey(key)) return true;
  return FormKeyDown(key);
}

// Views.
void MainWindow::RefreshInstrumentPanel() {
  if (instrumentPage_) instrumentPage_->RefreshInstrumentPanel();
  ShowStatus();  // the current instrument and its file
}

void MainWindow::Announce(const QString& text) { announcer_->Announce(text); }

void MainWindow::HighContrastClick(bool on) {
  if (on == state_.HighContrast) return;
  if (on) ownPalette_ = QApplication::palette();
  state_.HighContrast = on;
  QApplication::setPalette(on ? HighContrastPalette() : ownPalette_);
  qApp->setStyleSheet(on ? HighContrastStyleSheet() : QString());
  ApplyColors();
  ShowStatus();
}

void MainWindow::ShowNextPage(int step) {
  const int count = pageControl_->count();
  pageControl_->setCurrentIndex((pageControl_->currentIndex() + step + count) % count);
}

void MainWindow::ShowStatus() {
  if (patternPage_) patternPage_->ShowStatus();
}

void MainWindow::RefreshPatternView() {
  if (patternPage_) patternPage_->RefreshPatternView();
}

void MainWindow::RefreshOrderList() {
  if (songPage_) songPage_->RefreshOrderList();
}

void MainWindow::ApplyColors() {
  if (songPage_) songPage_->ApplyColors();
  if (patternPage_) patternPage_->ShowMutes();
}

QList<QWidget*> MainWindow::TextBoxes() {
  QList<QWidget*> boxes{memoAbout_};
  if (patternPage_) boxes += patternPage_->TextBoxes();
  if (songPage_) boxes += songPage_->TextBoxes();
  return boxes;
}

}  // namespace kelmar
