// Saves a picture of every page of the main window, for the README: kelmar_screenshots DIR [SONG].
// With a song, the pages show it: its first instrument with two source oscillators and a busy pattern.
// Run under a display (scripts/screenshots.sh provides a virtual one). Not installed.
#include <QApplication>
#include <QAction>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "app/file_commands.h"
#include "app/instrument_page.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/pattern_page.h"

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
    // Let the page lay itself out and paint before the picture is taken.
    for (int i = 0; i < 5; ++i) {
      QApplication::processEvents();
      QTimer timer;
      timer.setSingleShot(true);
      QEventLoop wait;
      QObject::connect(&timer, &QTimer::timeout, &wait, &QEventLoop::quit);
      timer.start(40);
      wait.exec();
    }
    const QString path = QDir(dir).filePath(files[page]);
    if (!window.grab().save(path)) {
      std::fprintf(stderr, "kelmar_screenshots: cannot write %s\n", qPrintable(path));
      ++failures;
    } else {
      std::printf("%s\n", qPrintable(path));
    }
  }
  // Destroying the window without closing it: nothing to ask.
  return failures ? 1 : 0;
}
