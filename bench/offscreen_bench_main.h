// main() for a benchmark program that drives widgets: the offscreen platform, no sound.
// The application lives on main's stack: it must exist before any widget and be gone
// before Qt's own global objects are torn down at exit. A function-local static
// QApplication was destroyed after them (it is made later than they are), and its
// input devices then unregistered themselves from an already destroyed list.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("SDL_AUDIODRIVER", "dummy");
  int appArgc = 1;
  char* appArgv[] = {argv[0], nullptr};
  QApplication app(appArgc, appArgv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
