// A test bench for the song page and the transport without the main window: the pattern
// and song pages on the shared bench, their refreshes forwarded by its views.
#pragma once

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTest>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "app/transport.h"
#include "app_bench.h"

namespace kelmar::testing {

struct SongBench : AppBench {
  SongBench() {
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
