#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
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
#include "app/instrument_page.h"
#include "app/pattern_page.h"
#include "app/song_page.h"
#include "app/transport.h"
#include "app/wav_export.h"

namespace kelmar {

namespace {

constexpr int kClientWidth = 671;
constexpr int kClientHeight = 519;
constexpr int kTimer1Interval = 100;

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
  setWindowTitle("Quorin.Kelmar");
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

  QMenu* menuNew = bar->addMenu("&New");
  menuNew->setObjectName("New1");
  AddItem(menuNew, "Song1", "Song", &MainWindow::Song1Click);
  AddItem(menuNew, "NewPattern1", "Pattern", [this] { fileCommands_->NewPattern1Click(); });
  AddItem(menuNew, "Instrument1", "Instrument", [this] { fileCommands_->Instrument1Click(); });
  AddItem(menuNew, "RandomWave1", "Random Wave", [this] { instrumentPage_->RandomWave1Click(); });
  AddItem(menuNew, "RandomOSC2Wave1", "Random OSC&2 Wave", [this] {
    instrumentPage_->RandomWave1Click();
  })->setVisible(false);

  QMenu* menuLoad = bar->addMenu("&Load");
  menuLoad->setObjectName("Load1");
  AddItem(menuLoad, "Song2", "Song", [this] { fileCommands_->Song2Click(); });
  AddItem(menuLoad, "ImportMOD1", "Import .MOD", [] {})->setEnabled(false);
  AddItem(menuLoad, "LoadPattern1", "Pattern", [this] { fileCommands_->LoadPattern1Click(); });
  AddItem(menuLoad, "Instrument2", "Instrument", [this] { fileCommands_->Instrument2Click(); });
  AddItem(menuLoad, "OSC1Wave1", "OSC&1 Wave", [this] { fileCommands_->OSC1Wave1Click(0); })->setVisible(false);
  AddItem(menuLoad, "OSC2Wave1", "OSC&2 Wave", [this] { fileCommands_->OSC1Wave1Click(1); })->setVisible(false);

  QMenu* menuSave = bar->addMenu("&Save");
  menuSave->setObjectName("Save1");
  AddItem(menuSave, "Song3", "Song", [this] { fileCommands_->Song3Click(); });
  AddItem(menuSave, "ExportWAV1", "Export .WAV", [this] { wavExport_->ExportWAV1Click(); });
  AddItem(menuSave, "SavePattern1", "Pattern", [this] { fileCommands_->SavePattern1Click(); });
  AddItem(menuSave, "Instrument3", "Instrument", [this] { fileCommands_->Instrument3Click(); });
  AddItem(menuSave, "OSC1Wave2", "OSC&1 Wave", [this] { fileCommands_->OSC1Wave2Click(0); })->setVisible(false);
  AddItem(menuSave, "OSC2Wave2", "OSC&2 Wave", [this] { fileCommands_->OSC1Wave2Click(1); })->setVisible(false);

  editMenu_ = bar->addMenu("&Edit");
  editMenu_->setObjectName("Edit1");
  struct EditItem {
    const char* name;
    const char* caption;
    const char* shortcut;
    bool pattern;
    std::function<void()> run;
  };
  const EditItem editItems[] = {
      {"CopyTrack1", "Copy Track", "Ctrl+C", true, [this] { patternPage_->CopyTrack1Click(); }},
      {"PasteTrack1", "Paste Track", "Ctrl+V", true, [this] { patternPage_->PasteTrack1Click(); }},
      {"CopyInstrument1", "Copy Instrument", "Ctrl+D", false, [this] { instrumentPage_->CopyInstrument1Click(); }},
      {"PasteInstrument1", "Paste Instrument", "Ctrl+F", false, [this] { instrumentPage_->PasteInstrument1Click(); }},
      {"CopyEnvelope1", "Copy Envelope", "Ctrl+E", false, [this] { instrumentPage_->CopyEnvelope1Click(); }},
      {"PasteEnvelope1", "Paste Envelope", "Ctrl+R", false, [this] { instrumentPage_->PasteEnvelope1Click(); }},
      {"ClonePattern1", "Clone Pattern", "Ctrl+P", true, [this] { patternPage_->ClonePattern1Click(); }},
  };
  for (const EditItem& e : editItems) {
    QAction* item = AddItem(editMenu_, e.name, e.caption, e.run);
    item->setShortcut(QKeySequence(e.shortcut));
    (e.pattern ? patternEditItems_ : instrumentEditItems_).append(item);
    shortcutItems_.append(item);
  }

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

  barCommand("Quit1", "Quit", nullptr, [this] { Quit1Click(); });

  // At start the Edit menu is disabled with all its items visible.
  SetEditMenu(false, true, true);
}

void MainWindow::FormCreate(const Options& options) {
  ApplyColors();
  state_.EnvelopeTab = 0;
  state_.CurrentInstrument = 0;
  state_.PreviewVoice = 0;
  state_.PreviewOctave = 3;
  state_.StartFolder = QDir::currentPath().toStdString();
  NewSong();
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
  // A new song is like a freshly loaded empty one: nothing to lose yet.
  state_.UnsavedChanges = false;
}

void MainWindow::Song1Click() {
  if (messages_.Question("Clear Song?")) NewSong();
}

void MainWindow::Quit1Click() { close(); }

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
  editMenu_->menuAction()->setEnabled(enabled);
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

void MainWindow::closeEvent(QCloseEvent* event) {
  if (messages_.Question("Unsaved changes will be lost. Quit KELMAR?", false)) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool MainWindow::IsMenuShortcut(QKeyEvent* event) const {
  const QKeySequence pressed(event->keyCombination());
  for (const QAction* item : shortcutItems_) {
    if (item->isEnabled() && item->isVisible() && item->shortcut().matches(pressed) == QKeySequence::ExactMatch) {
      return true;
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
}

QList<QWidget*> MainWindow::TextBoxes() {
  QList<QWidget*> boxes{memoAbout_};
  if (patternPage_) boxes += patternPage_->TextBoxes();
  if (songPage_) boxes += songPage_->TextBoxes();
  return boxes;
}

}  // namespace kelmar
