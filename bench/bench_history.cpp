// What the undo timeline and the recovery journal add to a command: a note key and a
// scroll-bar step through the real window with the journal written (compare them with the
// same keys without history in bench_pattern_editor), undoing a Load Song, and the history's
// bytes per note entry.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <memory>

#include "app/history_controller.h"
#include "app/main_window.h"

namespace kelmar {
namespace {

struct WindowBench {
  WindowBench() : window(std::make_unique<MainWindow>(nullptr, MainWindow::Options{false})) {
    window->StartRecovery(folder.path());
    window->show();
  }
  void ShowPage(int page) { window->findChild<QTabWidget*>("PageControl2")->setCurrentIndex(page); }
  QTemporaryDir folder;
  std::unique_ptr<MainWindow> window;
};

void BM_NoteKeyRecordedAndJournalled(benchmark::State& bench) {
  WindowBench w;
  w.ShowPage(2);
  auto* memo = w.window->findChild<QPlainTextEdit*>("Memo1");
  EditorState& state = w.window->state();
  int note = 0;
  for (auto _ : bench) {
    // A different note each time, so that every key is a step.
    const Qt::Key key = (note++ & 1) ? Qt::Key_W : Qt::Key_Q;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_W ? QStringLiteral("w") : QStringLiteral("q"));
    QApplication::sendEvent(memo, &press);
    if (state.TrackCursors[0].CursorRow == kRowCount - 1) state.TrackCursors[0].CursorRow = 0;
  }
  const Timeline& timeline = w.window->history().timeline();
  bench.counters["history_bytes_per_step"] =
      static_cast<double>(timeline.Bytes()) / static_cast<double>(std::max<size_t>(timeline.Steps().size(), 1));
}
BENCHMARK(BM_NoteKeyRecordedAndJournalled)->Unit(benchmark::kMicrosecond);

void BM_TempoBarStepRecordedAndJournalled(benchmark::State& bench) {
  WindowBench w;
  w.ShowPage(3);
  auto* bar = w.window->findChild<QScrollBar*>("ScrollBarTPO");
  int n = 0;
  for (auto _ : bench) {
    bar->triggerAction((n++ & 64) ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
  }
}
BENCHMARK(BM_TempoBarStepRecordedAndJournalled)->Unit(benchmark::kMicrosecond);

// A Load Song step that changed every byte of the song; each iteration undoes and redoes it.
void BM_UndoRedoLoadSong(benchmark::State& bench) {
  WindowBench w;
  Song& song = w.window->engine().song;
  uint32_t x = 1;
  for (size_t i = 0; i < sizeof(Song); ++i) reinterpret_cast<uint8_t*>(&song)[i] = static_cast<uint8_t>((x = x * 134775813 + 1) >> 24);
  w.window->StepDone("Load Song");
  for (auto _ : bench) {
    w.window->UndoClick();
    w.window->RedoClick();
  }
}
BENCHMARK(BM_UndoRedoLoadSong)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelmar

#include "offscreen_bench_main.h"
