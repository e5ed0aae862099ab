// Kelmar: the engine's tables first, then the one main window, then the event loop.
#include <QApplication>
#include <QIcon>
#include <QStandardPaths>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/command_line.h"
#include "app/first_exposure.h"
#include "app/keys/key_bindings.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/startup_probe.h"
#include "engine/engine.h"

namespace {

// kelmar --keys: the bindings keys.conf gives, without a window or a display.
int PrintKeys(char** argv) {
  int qtArgc = 1;
  QCoreApplication app(qtArgc, argv);
  QCoreApplication::setApplicationName("kelmar");
  const QString file = kelmar::KeysFilePath();
  const kelmar::ReadKeys read = kelmar::LoadKeyBindings(file);
  const std::string path = file.toStdString();
  if (!read.fileError.isEmpty()) std::cerr << "kelmar: " << path << ": " << read.fileError.toStdString() << " (ignored)\n";
  for (const QString& line : read.ignored) std::cerr << "kelmar: " << path << ", " << line.toStdString() << " (ignored)\n";
  std::cout << kelmar::KeysTable(read.bindings).toStdString();
  return read.ignored.isEmpty() && read.fileError.isEmpty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  kelmar::StartupProbe probe;
  const kelmar::CommandLine line = kelmar::ReadCommandLine(argc, argv, std::cout, std::cerr);
  if (line.exit) return line.exitCode;
  if (line.keys) return PrintKeys(argv);
  // SDL would otherwise take over SIGINT and SIGTERM, and the window would no longer end on
  // them. Set while this is the only thread: setenv races with any other thread's getenv.
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
  // The engine exists before any window does: its tables are ready when the window starts the audio.
  auto engine = std::make_unique<kelmar::Engine>();
  probe.Mark("engine");
  // The command line is Kelmar's own: Qt sees none of it.
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  probe.Mark("qt");
  kelmar::NameApplication();
  QApplication::setWindowIcon(QIcon::fromTheme("kelmar"));  // the installed icon, where there is one
  kelmar::MainWindow window(std::move(engine), {.openAudio = false});
  probe.Mark("window");
  window.UseKeysFile(kelmar::KeysFilePath());
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  window.UseLibrary(data + QStringLiteral("/instruments"), data + QStringLiteral("/browser-folders"));
  window.StartRecovery(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                       QStringLiteral("/recovery"));
  probe.Mark("files");
  window.show();
  probe.Mark("show");
  const QString file = QString::fromLocal8Bit(line.file);
  // What may take a device's or a question's time waits until the window is on the screen.
  kelmar::AfterFirstExposure(window, [&window, &probe, file] {
    if (probe.Active()) return probe.Finish();  // timed up to here: nothing more is started
    window.StartAudio();
    window.StartMidi();
    window.OfferRecovery();
    // After a restored song, loading asks first, as Load / Song does.
    if (!file.isEmpty()) window.OpenSongFile(file);
  });
  return app.exec();
}
