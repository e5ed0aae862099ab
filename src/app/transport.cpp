#include "app/transport.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include "app/pages/pattern_page.h"
#include "app/pages/song_page.h"
#include "editors/song/order_list.h"

namespace kelmar {

namespace {

// Selects characters [first, first + length) of one line, or leaves the box alone when
// the line does not exist.
void SelectInLine(QPlainTextEdit* memo, int line, int first, int length) {
  if (!memo) return;
  const QTextBlock block = memo->document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  QTextCursor cursor = memo->textCursor();
  const int start = block.position() + first;
  const int end = block.position() + std::min(first + length, block.length() - 1);
  if (cursor.anchor() == start && cursor.position() == end) return;  // already shown
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  memo->setTextCursor(cursor);
}

// Selection length 0, the caret staying where the selection began.
void ClearSelection(QPlainTextEdit* memo) {
  if (!memo) return;
  QTextCursor cursor = memo->textCursor();
  if (!cursor.hasSelection()) return;
  cursor.setPosition(cursor.selectionStart());
  memo->setTextCursor(cursor);
}

}  // namespace

Transport::Transport(AppContext& ctx, PatternPage& patternPage, SongPage& songPage)
    : ctx_(ctx), patternPage_(patternPage), songPage_(songPage) {}

void Transport::Song4Click() { Play(PlayFrom::Song); }

void Transport::Pattern1Click() { Play(PlayFrom::Pattern); }

void Transport::PlayFromCursorClick() { Play(PlayFrom::Cursor); }

void Transport::Play(PlayFrom from) {
  const int cursorRow = ctx_.state.TrackCursors[patternPage_.CommandTrack()].CursorRow;
  const PlayStart start = StartOf(from, ctx_.engine.song, ctx_.state, cursorRow);
  patternPage_.recorder().EndTake();
  EngineLock lock(ctx_.engine);
  Engine& engine = ctx_.engine;
  engine.LoopPattern = ctx_.state.LoopPattern ? 1 : 0;
  engine.LoopFirst = start.loopFirst;
  engine.LoopLast = start.loopLast;
  engine.StartPlayback(start.orderPos, start.row, start.patternMode);
}

void Transport::LoopPatternClick(bool on) {
  ctx_.state.LoopPattern = on;
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.LoopPattern = on ? 1 : 0;
  }
  patternPage_.ShowStatus();
}

void Transport::Stop1Click() {
  patternPage_.recorder().EndTake();
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.StopPlayback();
  }
  ctx_.views.RefreshPatternView();
}

void Transport::ClearHighlights() {
  for (int i = 0; i <= kTrackCount; ++i) ClearSelection(patternPage_.Memo(i));
  QPlainTextEdit* memoPO = songPage_.MemoPO();
  const QTextCursor cursor = memoPO->textCursor();
  const int caret = songPage_.OrderTextPosition(ctx_.state.OrderRow, OrderCaretColumn(ctx_.state));
  if (cursor.hasSelection() || cursor.position() != caret) songPage_.PlaceOrderCaret();
}

void Transport::ShowPattern(uint8_t pattern) {
  // The pattern view's redraw brings Labelpatt and ScrollBarpatt (set from the program,
  // so no user-move handler runs) along with the track columns.
  ctx_.state.CurrentPattern = pattern;
  ctx_.views.RefreshPatternView();
}

void Transport::Timer1Timer() {
  const PlayPosition position = ctx_.engine.Position();
  if (!position.Playing) {
    patternPage_.recorder().EndTake();
    ClearHighlights();
    return;
  }
  if (patternPage_.isVisible()) {
    // Only the window thread writes the order list, so this read needs no lock.
    const uint8_t pattern = OrderParamOf(ctx_.engine.song.Order[position.OrderPos]);
    if (pattern != ctx_.state.CurrentPattern && position.PatternMode == 0 && ctx_.state.FollowSong) ShowPattern(pattern);
    SelectInLine(patternPage_.Memo(0), position.Row, 0, 2);
    patternPage_.FollowHeardRow();
  } else if (songPage_.isVisible() && position.PatternMode == 0) {
    SelectInLine(songPage_.MemoPO(), position.OrderPos, 0, kOrderLineLength);
  }
}

}  // namespace kelmar
