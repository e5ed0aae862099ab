// Kelmar: the engine's tables first, then the one main window, then the event loop.
#include <QApplication>
#include <QIcon>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

#include "app/main_window.h"
#include "engine/engine.h"

int main(int argc, char** argv) {
  // The engine exists before any window does: its tables are ready when the window starts the audio.
  auto engine = std::make_unique<kelmar::Engine>();
  QApplication app(argc, argv);
  QApplication::setApplicationName("kelmar");
  QApplication::setApplicationDisplayName("Quorin.Kelmar");
  QApplication::setWindowIcon(QIcon::fromTheme("kelmar"));  // the installed icon, where there is one
  kelmar::MainWindow window(std::move(engine));
  window.StartRecovery(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                       QStringLiteral("/recovery"));
  window.show();
  QTimer::singleShot(0, &window, [&window] { window.OfferRecovery(); });
  return app.exec();
}
