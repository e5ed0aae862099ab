// Kelmar: the engine's tables first, then the one main window, then the event loop.
#include <QApplication>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "app/main_window.h"
#include "app/message_box.h"
#include "engine/engine.h"

int main(int argc, char** argv) {
  // SDL would otherwise take over SIGINT and SIGTERM, and the window would no longer end on
  // them. Set while this is the only thread: setenv races with any other thread's getenv.
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
  // The engine exists before any window does: its tables are ready when the window starts the audio.
  auto engine = std::make_unique<kelmar::Engine>();
  QApplication app(argc, argv);
  kelmar::NameApplication();
  QApplication::setWindowIcon(QIcon::fromTheme("kelmar"));  // the installed icon, where there is one
  kelmar::MainWindow window(std::move(engine));
  window.StartRecovery(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                       QStringLiteral("/recovery"));
  window.show();
  QTimer::singleShot(0, &window, [&window] {
    window.StartMidi();
    window.OfferRecovery();
  });
  return app.exec();
}
