// Saves a picture of every page of the main window, for the README: kelmar_screenshots DIR.
// Run under a display (scripts/screenshots.sh provides a virtual one). Not installed.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("Quorin.Kelmar");
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs/screenshots");
  QDir().mkpath(dir);
  kelmar::MainWindow window(nullptr, kelmar::MainWindow::Options{false});
  window.show();
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
