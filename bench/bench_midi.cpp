// From a MIDI note-on to the cell written (target: under 5 ms), through the real window on
// the "Pattern Editor" page. Through JACK: a note sent from a JACK port of the benchmark's
// own into Kelmar's port, on a private server with the dummy driver (64-frame periods at
// 48 kHz: at most 1.3 ms of the figure is the server's cycle). Posted: the same note handed
// over as the MIDI thread hands it, the part that is Kelmar's own.
#include <benchmark/benchmark.h>
#include <rtmidi/RtMidi.h>

#include <QApplication>
#include <QTabWidget>
#include <chrono>
#include <memory>
#include <thread>

#include "app/main_window.h"
#include "app/midi_keyboard.h"
#include "jack_test_server.h"

namespace kelmar {
namespace {

using Clock = std::chrono::steady_clock;

struct PatternWindow {
  PatternWindow() : window(std::make_unique<MainWindow>(nullptr, MainWindow::Options{false})) {
    window->show();
    window->findChild<QTabWidget*>("PageControl2")->setCurrentIndex(2);
  }
  // Sends one note (alternating, so that every one changes the cell) and waits for it on the
  // window thread; returns the seconds between.
  template <typename Send>
  double NoteToCell(Send send) {
    window->state().TrackCursors[0].CursorRow = 0;
    const uint8_t midiKey = (next_++ & 1) ? 61 : 60;
    const uint8_t& cell = window->engine().song.Patterns[0][0][0].Note;
    const auto start = Clock::now();
    send(midiKey);
    while (cell != midiKey - 24) QApplication::processEvents(QEventLoop::AllEvents);
    return std::chrono::duration<double>(Clock::now() - start).count();
  }
  std::unique_ptr<MainWindow> window;
  int next_ = 0;
};

void BM_MidiNoteToCellThroughJack(benchmark::State& bench) {
  test::JackTestServer server;
  if (!server.Running()) {
    bench.SkipWithError("jackd cannot start here");
    return;
  }
  PatternWindow w;
  w.window->StartMidi();
  RtMidiOut keys(RtMidi::UNIX_JACK, "KelmarBenchKeys");
  keys.openVirtualPort("keys");
  w.window->midiKeyboard().Refresh();
  for (auto _ : bench) {
    bench.SetIterationTime(w.NoteToCell([&](uint8_t key) {
      std::vector<unsigned char> message{0x90, key, 100};
      keys.sendMessage(&message);
    }));
  }
}
BENCHMARK(BM_MidiNoteToCellThroughJack)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);

void BM_PostedNoteToCell(benchmark::State& bench) {
  PatternWindow w;
  for (auto _ : bench) {
    bench.SetIterationTime(w.NoteToCell([&](uint8_t key) {
      std::thread midiThread([&] { w.window->midiKeyboard().PostNote(MidiNoteEvent{key - 24, 100, true, 0}); });
      midiThread.join();
    }));
  }
}
BENCHMARK(BM_PostedNoteToCell)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelmar

#include "offscreen_bench_main.h"
