// The pattern editor's per-key and per-redraw costs: the plain rules, and the real page
// with its eight text columns under the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <memory>
#include <string>

#include "app/app_context.h"
#include "app/message_box.h"
#include "app/pages/pattern_page.h"
#include "audio/audio_output.h"
#include "editors/pattern/pattern_keys.h"
#include "editors/pattern/pattern_text.h"

namespace kelmar {
namespace {

// A song whose every pattern is full of notes and effects, so that redraws have text to build.
void FillSong(Song& song) {
  ResetSong(song);
  for (int p = 0; p < kPatternCount; ++p)
    for (int t = 0; t < kTrackCount; ++t)
      for (int r = 0; r < kRowCount; ++r)
        song.Cell(p, t, r) = {static_cast<uint8_t>((p + t + r) % 96), static_cast<uint8_t>(0x21 + r % 8),
                              static_cast<uint8_t>(p), static_cast<uint8_t>(r)};
}

void BM_RulesNoteKey(benchmark::State& bench) {
  auto song = std::make_unique<Song>();
  ResetSong(*song);
  EditorState state;
  std::string text = TrackText(*song, 0, 0);
  for (auto _ : bench) {
    PatternKeyDown(*song, state, 0, PatternKey::Other);
    const KeyOutcome out = PatternKeyPress(*song, state, 0, U'q', kPianoUnknown,
                                           RowTextIn(text, state.TrackCursors[0].CursorRow));
    benchmark::DoNotOptimize(out);
    if (state.TrackCursors[0].CursorRow == kRowCount - 1) state.TrackCursors[0].CursorRow = 0;
  }
}
BENCHMARK(BM_RulesNoteKey);

void BM_RulesPatternText(benchmark::State& bench) {
  auto song = std::make_unique<Song>();
  FillSong(*song);
  int pattern = 0;
  for (auto _ : bench) {
    for (int t = 0; t < kTrackCount; ++t) benchmark::DoNotOptimize(TrackText(*song, pattern, t, "\n"));
    pattern = (pattern + 1) & 0xFF;
  }
}
BENCHMARK(BM_RulesPatternText);

class NoViews : public Views {
 public:
  void RefreshInstrumentPanel() override {}
  void RefreshPatternView() override {}
  void RefreshOrderList() override {}
  void ApplyColors() override {}
  void NewSong() override {}
  QList<QWidget*> TextBoxes() override { return {}; }
  void StepDone(std::string_view, StepRun) override {}
  bool UnsavedChanges() const override { return false; }
};

// The page with a test context and no sound device.
struct PageBench {
  PageBench() : engine(std::make_unique<Engine>()), audio(*engine), ctx{*engine, state, settings, messages, audio, views} {
    FillSong(engine->song);
    window.resize(671, 519);
    page = new PatternPage(ctx, &window);
    window.show();
    page->TPattEdShow();
  }
  std::unique_ptr<Engine> engine;
  EditorState state;
  SongSettings settings;
  MessageBoxes messages;
  AudioOutput audio;
  NoViews views;
  AppContext ctx;
  QWidget window;
  PatternPage* page;
};

// One note key in a track column: both stages, the cell, the row's text, the caret and
// the preview on the track's voice.
void BM_PageNoteKey(benchmark::State& bench) {
  PageBench page;
  QPlainTextEdit* memo = page.page->Memo(1);
  for (auto _ : bench) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, QStringLiteral("q"));
    QApplication::sendEvent(memo, &press);
    if (page.state.TrackCursors[0].CursorRow == kRowCount - 1) page.state.TrackCursors[0].CursorRow = 0;
  }
}
BENCHMARK(BM_PageNoteKey)->Unit(benchmark::kMicrosecond);

// One cursor key: the key-down stage and the caret.
void BM_PageArrowKey(benchmark::State& bench) {
  PageBench page;
  QPlainTextEdit* memo = page.page->Memo(1);
  int n = 0;
  for (auto _ : bench) {
    QKeyEvent press(QEvent::KeyPress, (n++ & 32) ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(memo, &press);
  }
}
BENCHMARK(BM_PageArrowKey)->Unit(benchmark::kMicrosecond);

// RefreshPatternView with every column changing (the shown pattern steps each time).
void BM_PageRefreshNewPattern(benchmark::State& bench) {
  PageBench page;
  for (auto _ : bench) {
    page.state.CurrentPattern = static_cast<uint8_t>(page.state.CurrentPattern + 1);
    page.page->RefreshPatternView();
  }
}
BENCHMARK(BM_PageRefreshNewPattern)->Unit(benchmark::kMicrosecond);

// RefreshPatternView between patterns written like songs are: a note on every fourth row.
void BM_PageRefreshSparsePatterns(benchmark::State& bench) {
  PageBench page;
  Song& song = page.engine->song;
  ResetSong(song);
  for (int p = 0; p < kPatternCount; ++p)
    for (int t = 0; t < kTrackCount; ++t)
      for (int r = (p + t) % 4; r < kRowCount; r += 4) song.Cell(p, t, r) = {uint8_t((p * 7 + r) % 96), 0x20, uint8_t(t), 0};
  for (auto _ : bench) {
    page.state.CurrentPattern = static_cast<uint8_t>(page.state.CurrentPattern + 1);
    page.page->RefreshPatternView();
  }
}
BENCHMARK(BM_PageRefreshSparsePatterns)->Unit(benchmark::kMicrosecond);

// RefreshPatternView of the pattern already shown (the play-position follow, Stop).
void BM_PageRefreshSamePattern(benchmark::State& bench) {
  PageBench page;
  for (auto _ : bench) page.page->RefreshPatternView();
}
BENCHMARK(BM_PageRefreshSamePattern)->Unit(benchmark::kMicrosecond);

// A block command over the whole pattern, with the view's update: every cell changes.
void BM_PageTransposeWholePattern(benchmark::State& bench) {
  PageBench page;
  page.page->SelectAllClick();
  page.page->SelectAllClick();
  int n = 0;
  for (auto _ : bench) page.page->TransposeClick((n++ & 1) ? -1 : 1);
}
BENCHMARK(BM_PageTransposeWholePattern)->Unit(benchmark::kMicrosecond);

// Paste Block of a whole pattern over one that differs in every cell.
void BM_PagePasteWholePattern(benchmark::State& bench) {
  PageBench page;
  page.page->SelectAllClick();
  page.page->SelectAllClick();
  page.page->CopyBlockClick();
  Song& song = page.engine->song;
  const Pattern before = song.Patterns[2];
  page.state.CurrentPattern = 2;
  for (auto _ : bench) {
    bench.PauseTiming();
    song.Patterns[2] = before;
    page.page->RefreshPatternView();
    bench.ResumeTiming();
    page.page->PasteBlockClick();
  }
}
BENCHMARK(BM_PagePasteWholePattern)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelmar

#include "offscreen_bench_main.h"
