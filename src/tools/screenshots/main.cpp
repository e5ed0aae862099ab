// Saves a picture of every page of the main window, for the README: kelmar_screenshots DIR [SONG].
// With a song, the pages show it: its first instrument with two source oscillators and a busy pattern;
// then the Scopes window shows it playing, and the Instrument Browser lists the starter instruments.
// Run under a display (scripts/screenshots.sh provides a virtual one). Not installed.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <vector>

#include "app/browser/instrument_browser.h"
#include "app/file_commands.h"
#include "app/pages/instrument_page.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/pages/pattern_page.h"
#include "app/scopes/scope_window.h"

namespace {

// Loads the song through the real "Load / Song" command, then picks what the pages show.
void ShowSong(kelmar::MainWindow& window, const QString& path) {
  window.fileCommands().SetDialogHook([path](const kelmar::FileDialogRequest&) { return path; });
  window.findChild<QAction*>("Song2")->trigger();
  window.fileCommands().SetDialogHook(nullptr);
  const kelmar::Song& song = window.engine().song;
  for (int i = 1; i < kelmar::kInstrumentCount; ++i) {
    if (song.Instruments[i].SrcOsc1Amp != 0 && song.Instruments[i].SrcOsc2Amp != 0) {
      window.state().CurrentInstrument = static_cast<uint8_t>(i);
      break;
    }
  }
  window.state().CurrentPattern = 4;
  // The pattern page shows a block selected across two tracks and a muted track.
  window.state().Selection = {true, 4, 8, 1, 15, 2};
  window.engine().MutedTracks = 0x08;
  window.instrumentPage().RefreshInstrumentPanel();
  window.patternPage().RefreshPatternView();
  window.patternPage().ShowMutes();
}

// Lets the windows lay themselves out and paint before a picture is taken.
void Settle() {
  for (int i = 0; i < 5; ++i) {
    QApplication::processEvents();
    QTimer timer;
    timer.setSingleShot(true);
    QEventLoop wait;
    QObject::connect(&timer, &QTimer::timeout, &wait, &QEventLoop::quit);
    timer.start(40);
    wait.exec();
  }
}

bool Save(QWidget& widget, const QString& path) {
  if (!widget.grab().save(path)) {
    std::fprintf(stderr, "kelmar_screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// The song plays from a busy pattern, every track heard, through the callback SDL would run,
// called here so that the picture is the same on every run: a pre-roll with the scopes closed,
// then three buffers for them. The device stays closed.
bool SaveScopes(kelmar::MainWindow& window, const QString& path) {
  window.engine().MutedTracks = 0;
  window.state().OrderRow = 4;
  window.findChild<QAction*>("Song4")->trigger();
  kelmar::AudioOutput& audio = window.audio();
  std::vector<uint8_t> stream(4 * static_cast<size_t>(window.engine().BufferSize));
  auto play = [&](int buffers) {
    for (int b = 0; b < buffers; ++b)
      kelmar::AudioOutput::Callback(&audio, stream.data(), static_cast<int>(stream.size()));
  };
  play(31);
  kelmar::ScopeWindow scopes(audio, &window);
  scopes.show();
  Settle();
  play(3);
  scopes.Refresh();
  return Save(scopes, path);
}

// The browser over instruments/ of the start folder, one bell highlighted; no note plays, as the
// device stays closed.
bool SaveBrowser(kelmar::MainWindow& window, const QString& path) {
  kelmar::InstrumentBrowser& browser = window.instrumentBrowser();
  browser.show();
  auto* tree = browser.findChild<QTreeWidget*>("BrowserTree");
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    tree->setCurrentItem(*it);
    if (browser.Highlighted() && QString::fromStdString(browser.Highlighted()->path).endsWith("/bell-fm.kli")) break;
  }
  Settle();
  return Save(browser, path);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kelmar::NameApplication();
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs/screenshots");
  QDir().mkpath(dir);
  kelmar::MainWindow window(nullptr, kelmar::MainWindow::Options{false});
  window.show();
  if (argc > 2) ShowSong(window, QString::fromLocal8Bit(argv[2]));
  auto* pages = window.findChild<QTabWidget*>("PageControl2");
  const char* files[] = {"about.png", "instrument-editor.png", "pattern-editor.png", "song-editor.png"};
  int failures = 0;
  for (int page = 0; page < pages->count(); ++page) {
    pages->setCurrentIndex(page);
    Settle();
    if (!Save(window, QDir(dir).filePath(files[page]))) ++failures;
  }
  if (argc > 2 && !SaveScopes(window, QDir(dir).filePath("scopes.png"))) ++failures;
  if (!SaveBrowser(window, QDir(dir).filePath("instrument-browser.png"))) ++failures;
  // Option > High Contrast over the song's own colours.
  window.findChild<QAction*>("HighContrast1")->trigger();
  pages->setCurrentIndex(2);
  Settle();
  if (!Save(window, QDir(dir).filePath("high-contrast.png"))) ++failures;
  // Destroying the window without closing it: nothing to ask.
  return failures ? 1 : 0;
}
