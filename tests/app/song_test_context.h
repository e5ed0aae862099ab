// A test bench for the song page and the transport without the main window: a fresh
// engine (no audio device; tests render by calling RenderBuffer themselves), the editing
// state, the settings, answerable message boxes, and views that count refreshes and
// forward them to the real pages.
#pragma once

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTest>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "app/app_context.h"
#include "app/message_box.h"
#include "app/pages/pattern_page.h"
#include "app/pages/song_page.h"
#include "app/transport.h"
#include "audio/audio_output.h"

namespace kelmar::testing {

class CountingViews : public Views {
 public:
  void RefreshInstrumentPanel() override {}
  void RefreshPatternView() override {
    ++patternRefreshes;
    if (patternPage) patternPage->RefreshPatternView();
  }
  void RefreshOrderList() override {
    if (songPage) songPage->RefreshOrderList();
  }
  void ApplyColors() override {
    if (songPage) songPage->ApplyColors();
  }
  void NewSong() override {}
  // As the window does: the song's history says whether the song changed.
  void StepDone(std::string_view name, StepRun run) override {
    history->Record(*document, name, 0, run);
    state->UnsavedChanges = history->Unsaved();
  }
  // The song as it is now counts as saved (a load behind the editors' back).
  void Resync() { history->MarkSaved(*document); }
  EditorState* state = nullptr;
  std::optional<SongDocument> document;
  std::unique_ptr<History> history;
  QList<QWidget*> TextBoxes() override {
    QList<QWidget*> boxes = otherBoxes;
    if (songPage) boxes += songPage->TextBoxes();
    return boxes;
  }

  PatternPage* patternPage = nullptr;
  SongPage* songPage = nullptr;
  QList<QWidget*> otherBoxes;  // stand-ins for the text boxes of the other pages
  int patternRefreshes = 0;
};

struct SongBench {
  SongBench()
      : engine(std::make_unique<Engine>()),
        audio(*engine),
        ctx{*engine, state, settings, messages, audio, views} {
    views.state = &state;
    views.document.emplace(SongDocument{engine->song, settings});
    views.history = std::make_unique<History>(engine->song, settings);
    window.resize(671, 519);
    for (int i = 0; i < 10; ++i) views.otherBoxes.push_back(new QPlainTextEdit(&window));
    patternPage = new PatternPage(ctx, &window);
    songPage = new SongPage(ctx, &window);
    views.patternPage = patternPage;
    views.songPage = songPage;
    transport = std::make_unique<Transport>(ctx, *patternPage, *songPage);
    songPage->ApplyColors();
    songPage->RefreshOrderList();
  }

  // Shows one page the way the page control does: the other one hidden.
  void ShowSongPage() {
    patternPage->hide();
    songPage->show();
    ShowWindow();
    songPage->TOrderShow();
  }
  void ShowPatternPage() {
    songPage->hide();
    patternPage->show();
    ShowWindow();
  }
  void ShowWindow() {
    window.show();
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window);
  }

  // One audio callback's worth, as the audio thread would render it.
  void RenderOnce() {
    std::vector<uint8_t> buffer(4 * engine->BufferSize);
    engine->RenderBuffer(buffer.data());
  }
  // Renders until playback stops; returns the buffers rendered, or -1 if it went on.
  int RenderUntilStopped(int maxBuffers) {
    for (int n = 1; n <= maxBuffers; ++n) {
      RenderOnce();
      if (!engine->Position().Playing) return n;
    }
    return -1;
  }

  std::unique_ptr<Engine> engine;
  EditorState state;
  SongSettings settings;
  MessageBoxes messages;
  AudioOutput audio;
  CountingViews views;
  AppContext ctx;
  QWidget window;
  PatternPage* patternPage;
  SongPage* songPage;
  std::unique_ptr<Transport> transport;
};

// The text of one line of a plain text box.
inline QString LineOf(QPlainTextEdit* memo, int line) {
  return memo->document()->findBlockByNumber(line).text();
}

// Line and column of a box's caret (the position end of any selection).
inline std::pair<int, int> CaretOf(QPlainTextEdit* memo) {
  const QTextCursor cursor = memo->textCursor();
  return {cursor.blockNumber(), cursor.positionInBlock()};
}

}  // namespace kelmar::testing
