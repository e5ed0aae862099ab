#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
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

#include "app/about_text.h"
#include "app/file_commands.h"
#include "app/fixed_font.h"
#include "app/history_controller.h"
#include "app/pages/instrument_page.h"
#include "app/midi_keyboard.h"
#include "app/pages/pattern_page.h"
#include "app/scopes/scope_window.h"
#include "app/pages/song_page.h"
#include "app/transport.h"
#include "app/wav_export.h"

namespace kelmar {

namespace {

constexpr int kClientWidth = 671;
constexpr int kClientHeight = 519;
constexpr int kTimer1Interval = 100;
const char* const kWindowCaption = "Quorin.Kelmar";

enum Page { kAboutPage = 0, kInstrumentPage = 1, kPatternPage = 2, kSongPage = 3 };

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

  BuildPages();
  transport_ = std::make_unique<Transport>(ctx_, *patternPage_, *songPage_);
  fileCommands_ = std::make_unique<FileCommands>(ctx_, this);
  wavExport_ = std::make_unique<WavExport>(ctx_, this);
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
  // Commands refer to pages, and pages to the context: both go before the members they use.
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

QAction* MainWindow::AddItem(QMenu* menu, const char* name, const QString& caption, void (MainWindow::*handler)()) {
  return AddItem(menu, name, caption, [this, handler] { (this->*handler)(); });
}

template <typename F>
QAction* MainWindow::AddItem(QMenu* menu, const char* name, const QString& caption, F handler) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  connect(item, &QAction::triggered, this, handler);
  return item;
}

void MainWindow::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  bar->setNativeMenuBar(false);  // the menu belongs to the fixed-size window

  // A command that edits the song becomes one undo step named after it.
  auto step = [this](const char* name, auto run) {
    return [this, name, run] {
      run();
      StepDone(name);
    };
  };

  QMenu* menuNew = bar->addMenu("&New");
  menuNew->setObjectName("New1");
  AddItem(menuNew, "Song1", "Song", &MainWindow::Song1Click);
  AddItem(menuNew, "NewPattern1", "Pattern", step("New Pattern", [this] { fileCommands_->NewPattern1Click(); }));
  AddItem(menuNew, "Instrument1", "Instrument", step("New Instrument", [this] { fileCommands_->Instrument1Click(); }));
  AddItem(menuNew, "RandomWave1", "Random Wave", step("Random Wave", [this] { instrumentPage_->RandomWave1Click(); }));
  AddItem(menuNew, "RandomOSC2Wave1", "Random OSC&2 Wave",
          step("Random Wave", [this] { instrumentPage_->RandomWave1Click(); }))
      ->setVisible(false);

  QMenu* menuLoad = bar->addMenu("&Load");
  menuLoad->setObjectName("Load1");
  QAction* loadSong = AddItem(menuLoad, "Song2", "Song", [this] {
    if (fileCommands_->Song2Click()) SongReplaced("Load Song", fileCommands_->LastSongFile());
  });
  loadSong->setShortcut(QKeySequence("Ctrl+O"));
  AddItem(menuLoad, "ImportMOD1", "Import .MOD", [] {})->setEnabled(false);
  AddItem(menuLoad, "LoadPattern1", "Pattern", step("Load Pattern", [this] { fileCommands_->LoadPattern1Click(); }));
  AddItem(menuLoad, "Instrument2", "Instrument",
          step("Load Instrument", [this] { fileCommands_->Instrument2Click(); }));
  AddItem(menuLoad, "OSC1Wave1", "OSC&1 Wave", step("Load OSC1 Wave", [this] { fileCommands_->OSC1Wave1Click(0); }))
      ->setVisible(false);
  AddItem(menuLoad, "OSC2Wave1", "OSC&2 Wave", step("Load OSC2 Wave", [this] { fileCommands_->OSC1Wave1Click(1); }))
      ->setVisible(false);

  QMenu* menuSave = bar->addMenu("&Save");
  menuSave->setObjectName("Save1");
  QAction* saveSongAs = AddItem(menuSave, "Song3", "Song", [this] {
    if (fileCommands_->Song3Click()) SongWritten();
  });
  saveSongAs->setShortcut(QKeySequence("Ctrl+Shift+S"));
  saveSong_ = AddItem(menuSave, "SaveSong1", QString(), &MainWindow::SaveSongClick);
  saveSong_->setShortcut(QKeySequence("Ctrl+S"));
  shortcutItems_ << loadSong << saveSongAs << saveSong_;
  AddItem(menuSave, "ExportWAV1", "Export .WAV", [this] { wavExport_->ExportWAV1Click(); });
  AddItem(menuSave, "SavePattern1", "Pattern", [this] { fileCommands_->SavePattern1Click(); });
  AddItem(menuSave, "Instrument3", "Instrument", [this] { fileCommands_->Instrument3Click(); });
  AddItem(menuSave, "OSC1Wave2", "OSC&1 Wave", [this] { fileCommands_->OSC1Wave2Click(0); })->setVisible(false);
  AddItem(menuSave, "OSC2Wave2", "OSC&2 Wave", [this] { fileCommands_->OSC1Wave2Click(1); })->setVisible(false);

  editMenu_ = bar->addMenu("&Edit");
  editMenu_->setObjectName("Edit1");
  undo_ = AddItem(editMenu_, "Undo1", "Undo", &MainWindow::UndoClick);
  undo_->setShortcut(QKeySequence::fromString("Ctrl+Z"));
  redo_ = AddItem(editMenu_, "Redo1", "Redo", &MainWindow::RedoClick);
  redo_->setShortcuts({QKeySequence::fromString("Ctrl+Y"), QKeySequence::fromString("Ctrl+Shift+Z")});
  shortcutItems_ << undo_ << redo_;
  editMenu_->addSeparator();
  struct EditItem {
    const char* name;
    const char* caption;
    const char* shortcut;
    bool pattern;
    std::function<void()> run;
  };
  const EditItem editItems[] = {
      {"CopyTrack1", "Copy Track", "Ctrl+C", true, [this] { patternPage_->CopyTrack1Click(); }},
      {"PasteTrack1", "Paste Track", "Ctrl+V", true, step("Paste Track", [this] { patternPage_->PasteTrack1Click(); })},
      {"CopyInstrument1", "Copy Instrument", "Ctrl+D", false, [this] { instrumentPage_->CopyInstrument1Click(); }},
      {"PasteInstrument1", "Paste Instrument", "Ctrl+F", false,
       step("Paste Instrument", [this] { instrumentPage_->PasteInstrument1Click(); })},
      {"CopyEnvelope1", "Copy Envelope", "Ctrl+E", false, [this] { instrumentPage_->CopyEnvelope1Click(); }},
      {"PasteEnvelope1", "Paste Envelope", "Ctrl+R", false,
       step("Paste Envelope", [this] { instrumentPage_->PasteEnvelope1Click(); })},
      {"ClonePattern1", "Clone Pattern", "Ctrl+P", true, step("Clone Pattern", [this] { patternPage_->ClonePattern1Click(); })},
  };
  // The pattern editor's block and listening commands.
  const EditItem blockItems[] = {
      {"SelectAll1", "Select All", "Ctrl+A", true, [this] { patternPage_->SelectAllClick(); }},
      {"CutBlock1", "Cut Block", "Ctrl+X", true, step("Cut Block", [this] { patternPage_->CutBlockClick(); })},
      {"CopyBlock1", "Copy Block", "Ctrl+Shift+C", true, [this] { patternPage_->CopyBlockClick(); }},
      {"PasteBlock1", "Paste Block", "Ctrl+Shift+V", true,
       step("Paste Block", [this] { patternPage_->PasteBlockClick(); })},
      {"TransposeUp1", "Transpose Up", "Ctrl+Up", true,
       step("Transpose Up", [this] { patternPage_->TransposeClick(1); })},
      {"TransposeDown1", "Transpose Down", "Ctrl+Down", true,
       step("Transpose Down", [this] { patternPage_->TransposeClick(-1); })},
      {"TransposeOctaveUp1", "Transpose Octave Up", "Ctrl+Shift+Up", true,
       step("Transpose Octave Up", [this] { patternPage_->TransposeClick(12); })},
      {"TransposeOctaveDown1", "Transpose Octave Down", "Ctrl+Shift+Down", true,
       step("Transpose Octave Down", [this] { patternPage_->TransposeClick(-12); })},
      {"Interpolate1", "Interpolate", "Ctrl+I", true,
       step("Interpolate", [this] { patternPage_->InterpolateClick(); })},
      {"SetInstrument1", "Set Instrument", "Ctrl+J", true,
       step("Set Instrument", [this] { patternPage_->SetInstrumentClick(); })},
      {"MuteTrack1", "Mute Track", "Ctrl+M", true, [this] { patternPage_->MuteTrackClick(); }},
      {"SoloTrack1", "Solo Track", "Ctrl+Shift+M", true, [this] { patternPage_->SoloTrackClick(); }},
  };
  auto addEditItem = [this](const EditItem& e) {
    QAction* item = AddItem(editMenu_, e.name, e.caption, e.run);
    item->setShortcut(QKeySequence(e.shortcut));
    (e.pattern ? patternEditItems_ : instrumentEditItems_).append(item);
    shortcutItems_.append(item);
  };
  for (const EditItem& e : editItems) addEditItem(e);
  patternEditItems_.append(editMenu_->addSeparator());
  for (const EditItem& e : blockItems) addEditItem(e);

  auto barCommand = [&](const char* name, const QString& caption, const char* shortcut, auto run) {
    QAction* item = bar->addAction(caption);
    item->setObjectName(name);
    if (shortcut) item->setShortcut(QKeySequence(shortcut));
    connect(item, &QAction::triggered, this, run);
    if (shortcut) shortcutItems_.append(item);
    return item;
  };
  barCommand("Song4", "Play Song", "F5", [this] { transport_->Song4Click(); });
  barCommand("Pattern1", "Play &Pattern", "F6", [this] { transport_->Pattern1Click(); });
  barCommand("Stop1", "Stop", "F8", [this] { transport_->Stop1Click(); });

  QMenu* option = bar->addMenu("Option");
  option->setObjectName("Option1");
  noAudio_ = option->addAction("No audio output");
  noAudio_->setObjectName("NoAudio1");
  noAudio_->setEnabled(false);
  noAudio_->setVisible(false);
  // Said once, without a box, when the recovery journal cannot be written.
  recoveryOff_ = option->addAction("Crash recovery off");
  recoveryOff_->setObjectName("RecoveryOff1");
  recoveryOff_->setEnabled(false);
  recoveryOff_->setVisible(false);

  AddValueItems(option, "SampleFreq", {22050, 32000, 44100, 48000}, engine_->SampleRate,
                &MainWindow::SampleFreqClick);
  AddValueItems(option, "Buffersize", {512, 1024, 2048, 4096}, engine_->BufferSize, &MainWindow::BuffersizeClick);

  // The note keys follow one fixed layout; these items only say so.
  QMenu* keyboard = option->addMenu("Keyboard");
  keyboard->setObjectName("Keyboard1");
  auto* keyboardGroup = new QActionGroup(this);
  QAction* qwertz = keyboard->addAction("QWERTZ");
  qwertz->setObjectName("QWERTZ1");
  qwertz->setCheckable(true);
  qwertz->setEnabled(false);
  QAction* qwerty = keyboard->addAction("QWERTY");
  qwerty->setObjectName("QWERTY1");
  qwerty->setCheckable(true);
  qwerty->setChecked(true);
  keyboardGroup->addAction(qwertz);
  keyboardGroup->addAction(qwerty);

  autoIxx_ = AddItem(option, "AutoIxxEffect1", "Auto Ixx-Effect", &MainWindow::AutoIxxEffect1Click);
  autoIxx_->setCheckable(true);
  autoIxx_->setChecked(true);
  QAction* followSong = option->addAction("Follow Song");
  followSong->setObjectName("FollowSong1");
  followSong->setCheckable(true);
  followSong->setChecked(state_.FollowSong);
  connect(followSong, &QAction::toggled, this, [this](bool on) { state_.FollowSong = on; });
  midiKeyboard_ = new MidiKeyboard(option, [this](int note) { MidiNote(note); }, this);
  scopesItem_ = option->addAction("Scopes");
  scopesItem_->setObjectName("Scopes1");
  scopesItem_->setCheckable(true);
  scopesItem_->setShortcut(QKeySequence("F9"));
  shortcutItems_.append(scopesItem_);
  connect(scopesItem_, &QAction::triggered, this, &MainWindow::ScopesClick);

  barCommand("Quit1", "Quit", nullptr, [this] { Quit1Click(); });

  // At start the Edit menu is disabled with all its items visible.
  SetEditMenu(false, true, true);
  UpdateUndoItems();
  ShowSongFile();
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
  RefreshInstrumentPanel();
  RefreshPatternView();
  RefreshOrderList();
}

void MainWindow::Song1Click() {
  if (!messages_.Question("Clear Song?")) return;
  NewSong();
  SongReplaced("New Song", QString());
}

void MainWindow::SaveSongClick() {
  const QString file = SongFilePath();
  if (file.isEmpty() ? fileCommands_->Song3Click() : fileCommands_->SaveSongTo(file)) SongWritten();
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

void MainWindow::AutoIxxEffect1Click() { state_.AutoIxxEffect = autoIxx_->isChecked(); }

// A submenu of numbered items that carry their values; the exclusive group keeps one check mark.
void MainWindow::AddValueItems(QMenu* parent, const QString& name, std::initializer_list<int> values, int current,
                               void (MainWindow::*handler)(QAction*)) {
  QMenu* menu = parent->addMenu(name);
  menu->setObjectName(name + "1");
  auto* group = new QActionGroup(this);
  for (int value : values) {
    QAction* item = menu->addAction(QString::number(value));
    item->setObjectName(name + QString::number(value));
    item->setData(value);
    item->setCheckable(true);
    item->setChecked(value == current);
    group->addAction(item);
    connect(item, &QAction::triggered, this, [this, item, handler] { (this->*handler)(item); });
  }
}

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

void MainWindow::ShowAudioState() { noAudio_->setVisible(!audio_.IsOpen()); }

void MainWindow::SetEditMenu(bool enabled, bool pattern, bool instrument) {
  editMenuForPage_ = enabled;
  // Undo and Redo work on every page: the menu opens whenever one of them can act.
  editMenu_->menuAction()->setEnabled(enabled || undo_->isEnabled() || redo_->isEnabled());
  // A disabled menu's items must not answer their shortcuts either.
  for (QAction* item : patternEditItems_) {
    item->setVisible(pattern);
    item->setEnabled(enabled);
  }
  for (QAction* item : instrumentEditItems_) {
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

void MainWindow::MidiNote(int note) {
  // A box that asks something has the keyboard to itself, and so the MIDI keyboard too.
  if (QApplication::activeModalWidget()) return;
  switch (pageControl_->currentIndex()) {
    case kInstrumentPage:
      instrumentPage_->PlayNote(note);
      break;
    case kPatternPage:
      patternPage_->PlayNote(note);
      break;
    default:
      break;
  }
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
  for (const QAction* item : shortcutItems_) {
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
  return FormKeyDown(key);
}

// Views.
void MainWindow::RefreshInstrumentPanel() {
  if (instrumentPage_) instrumentPage_->RefreshInstrumentPanel();
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

namespace kelmar {

// History: undo, redo and recovery.

void MainWindow::StepDone(std::string_view name, StepRun run) {
  if (!history_) return;
  history_->StepDone(name, CurrentPage(), std::move(run));
  ShowHistory();
}

bool MainWindow::UnsavedChanges() const { return history_ && history_->UnsavedChanges(); }

void MainWindow::SongReplaced(const char* step, const QString& file) {
  history_->SongReplaced(step, CurrentPage(), file);
  ShowHistory();
}

void MainWindow::SongWritten() {
  history_->SongWritten(fileCommands_->LastSongFile());
  ShowHistory();
}

QString MainWindow::SongFilePath() const { return history_ ? history_->SongFilePath() : QString(); }

uint8_t MainWindow::CurrentPage() const { return static_cast<uint8_t>(pageControl_->currentIndex()); }

void MainWindow::ShowHistory() {
  UpdateUndoItems();
  ShowRecoveryState();
  ShowSongFile();
}

void MainWindow::ShowSongFile() {
  const QString name = QFileInfo(SongFilePath()).fileName();
  saveSong_->setText(name.isEmpty() ? QStringLiteral("Song to New File")
                                    : QStringLiteral("Song to ") + QString(name).replace('&', "&&"));
  if (name.isEmpty()) {
    setWindowTitle(kWindowCaption);
    return;
  }
  // Qt reads "[*]" in a caption as the modified mark; doubled, it stands for itself.
  QString caption = QStringLiteral("%1 - %2").arg(kWindowCaption, QString(name).replace("[*]", "[*][*]"));
  setWindowTitle(UnsavedChanges() ? caption + "*" : caption);
}

void MainWindow::UpdateUndoItems() {
  const bool canUndo = history_ && history_->timeline().CanUndo();
  const bool canRedo = history_ && history_->timeline().CanRedo();
  undo_->setEnabled(canUndo);
  redo_->setEnabled(canRedo);
  undo_->setText(canUndo ? "Undo " + QString::fromStdString(history_->timeline().NextUndo().name) : "Undo");
  redo_->setText(canRedo ? "Redo " + QString::fromStdString(history_->timeline().NextRedo().name) : "Redo");
  editMenu_->menuAction()->setEnabled(editMenuForPage_ || canUndo || canRedo);
}

void MainWindow::UndoClick() {
  if (const std::optional<StepShown> shown = history_->Undo()) ShowStep(*shown);
}

void MainWindow::RedoClick() {
  if (const std::optional<StepShown> shown = history_->Redo()) ShowStep(*shown);
}

// Shows what an undo or redo changed: its page, its pattern or instrument, the first
// changed row under the changed track's cursor.
void MainWindow::ShowStep(const StepShown& shown) {
  const StepPlace& place = shown.place;
  int page = shown.page;
  if (page == kAboutPage) page = place.pattern >= 0 ? kPatternPage : place.instrument >= 0 ? kInstrumentPage : kSongPage;
  if (page == kPatternPage && place.pattern >= 0) {
    state_.CurrentPattern = static_cast<uint8_t>(place.pattern);
    state_.TrackCursors[place.track].CursorRow = static_cast<uint8_t>(place.row);
  }
  if (page == kInstrumentPage && place.instrument >= 0) state_.CurrentInstrument = static_cast<uint8_t>(place.instrument);
  pageControl_->setCurrentIndex(page);
  RefreshAll();
  if (page == kPatternPage && place.track >= 0) patternPage_->FocusTrack(place.track + 1);
  ShowHistory();
}

void MainWindow::RefreshAll() {
  RefreshInstrumentPanel();
  RefreshPatternView();
  RefreshOrderList();
  ApplyColors();
}

void MainWindow::StartRecovery(const QString& folder) {
  history_->StartRecovery(folder);
  ShowRecoveryState();
}

void MainWindow::ShowRecoveryState() { recoveryOff_->setVisible(history_ && history_->RecoveryOff()); }

void MainWindow::OfferRecovery() {
  if (history_->OfferRecovery()) RefreshAll();
  ShowHistory();
}

}  // namespace kelmar
