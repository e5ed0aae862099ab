// "Play Song", "Play &Pattern", "Stop" and the play-position follow with a real engine.
// Nothing waits for audio: the tests render buffers themselves, then run the timer tick.
#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollBar>

#include "song_test_context.h"

namespace kelmar {
namespace {

using testing::CaretOf;
using testing::SongBench;

class TransportTest : public ::testing::Test {
 protected:
  Song& song() { return bench.engine->song; }
  PlayPosition position() { return bench.engine->Position(); }
  QPlainTextEdit* memoPO() { return bench.songPage->MemoPO(); }
  QPlainTextEdit* rowNumbers() { return bench.patternPage->Memo(0); }
  // The selected span of a box as (start line, start column, length), or length 0.
  static std::tuple<int, int, int> Selection(QPlainTextEdit* memo) {
    const QTextCursor c = memo->textCursor();
    QTextCursor start(memo->document());
    start.setPosition(c.selectionStart());
    return {start.blockNumber(), start.positionInBlock(), c.selectionEnd() - c.selectionStart()};
  }
  // Renders until the player stands on the given row (at most a few patterns' worth).
  bool RenderUntilRow(int row) {
    for (int n = 0; n < 200; ++n) {
      if (position().Playing && position().Row == row) return true;
      bench.RenderOnce();
    }
    return false;
  }

  SongBench bench;
};

TEST_F(TransportTest, PlaySongStartsAtTheOrderCursorEvenOnAJumpEntry) {
  song().Order[3] = MakeOrderEntry(kOrderJump, 7);
  bench.state.OrderRow = 3;
  bench.transport->Song4Click();
  EXPECT_TRUE(position().Playing);
  EXPECT_EQ(position().OrderPos, 3);
  EXPECT_EQ(position().Row, 0);
  EXPECT_EQ(position().PatternMode, 0);

  // The starting entry is played as a pattern: the view follows to pattern 7.
  bench.ShowPatternPage();
  bench.RenderOnce();
  bench.transport->Timer1Timer();
  EXPECT_EQ(bench.state.CurrentPattern, 7);
  EXPECT_EQ(position().OrderPos, 3);
}

TEST_F(TransportTest, PlayPatternPlaysTheShownPatternOnceWithoutFollowing) {
  bench.state.CurrentPattern = 4;
  bench.ShowPatternPage();
  bench.transport->Pattern1Click();
  EXPECT_TRUE(position().Playing);
  EXPECT_EQ(position().PatternMode, 5);
  EXPECT_EQ(position().OrderPos, 0);

  // The user shows another pattern while it plays; the view stays there.
  bench.state.CurrentPattern = 9;
  const int refreshes = bench.views.Count("pattern");
  bench.RenderOnce();
  bench.transport->Timer1Timer();
  EXPECT_EQ(bench.state.CurrentPattern, 9);
  EXPECT_EQ(bench.views.Count("pattern"), refreshes);

  // 32 rows of 6 ticks of 882 frames at 44100 Hz, 4096 frames a buffer: one pass and it stops.
  const int buffers = bench.RenderUntilStopped(100);
  EXPECT_GE(buffers, 38);
  EXPECT_LE(buffers, 41);
  EXPECT_FALSE(position().Playing);
  EXPECT_EQ(position().PatternMode, 0);
}

TEST_F(TransportTest, StopWhileStoppedStillRedrawsThePatternView) {
  const int refreshes = bench.views.Count("pattern");
  bench.transport->Stop1Click();
  EXPECT_EQ(bench.views.Count("pattern"), refreshes + 1);
  EXPECT_FALSE(position().Playing);

  bench.transport->Song4Click();
  bench.RenderOnce();
  bench.transport->Stop1Click();
  EXPECT_FALSE(position().Playing);
  EXPECT_EQ(bench.views.Count("pattern"), refreshes + 2);
}

TEST_F(TransportTest, FollowShowsThePlayingPatternInSongMode) {
  song().Cell(2, 0, 0) = PatternCell{48, 0x21, 0x05, 0x88};
  bench.state.TrackCursors[0] = TrackCursor{3, 7};
  bench.state.OrderRow = 2;
  bench.ShowPatternPage();
  bench.transport->Song4Click();
  bench.RenderOnce();
  const int refreshes = bench.views.Count("pattern");
  bench.transport->Timer1Timer();
  EXPECT_EQ(bench.state.CurrentPattern, 2);
  EXPECT_EQ(bench.views.Count("pattern"), refreshes + 1);
  auto* label = bench.patternPage->findChild<QLabel*>("Labelpatt");
  auto* bar = bench.patternPage->findChild<QScrollBar*>("ScrollBarpatt");
  ASSERT_NE(label, nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(label->text(), "  02");
  EXPECT_EQ(bar->value(), 2);
  // The track columns show pattern 2 now; their cursors stay where they were.
  EXPECT_EQ(bench.patternPage->Memo(1)->document()->findBlockByNumber(0).text(), "C-4 I05V88");

  // Stepping away while the song plays is undone at the next tick.
  bench.state.CurrentPattern = 0x30;
  bench.transport->Timer1Timer();
  EXPECT_EQ(bench.state.CurrentPattern, 2);
  // Nothing to do while the view already shows the playing pattern.
  bench.transport->Timer1Timer();
  EXPECT_EQ(bench.views.Count("pattern"), refreshes + 2);
  EXPECT_FALSE(bench.views.UnsavedChanges()) << "following is no edit";
  EXPECT_EQ(bench.state.TrackCursors[0].CursorColumn, 3);
  EXPECT_EQ(bench.state.TrackCursors[0].CursorRow, 7);

  // Follow Song off: the view stays on the pattern being edited.
  bench.state.FollowSong = false;
  bench.state.CurrentPattern = 0x30;
  bench.transport->Timer1Timer();
  EXPECT_EQ(bench.state.CurrentPattern, 0x30);
}

TEST_F(TransportTest, RowNumberColumnHighlightsThePlayersRow) {
  QPlainTextEdit* memo0 = rowNumbers();
  ASSERT_NE(memo0, nullptr);
  bench.ShowPatternPage();
  bench.transport->Song4Click();
  ASSERT_TRUE(RenderUntilRow(5));
  bench.transport->Timer1Timer();
  EXPECT_EQ(Selection(memo0), std::make_tuple(5, 0, 2));
  bench.transport->Stop1Click();
  bench.transport->Timer1Timer();
  EXPECT_EQ(std::get<2>(Selection(memo0)), 0) << "highlight cleared once stopped";
}

TEST_F(TransportTest, OrderListHighlightsThePlayingLineOnlyInSongMode) {
  bench.ShowSongPage();
  bench.state.OrderRow = 1;
  bench.transport->Song4Click();
  bench.RenderOnce();
  bench.transport->Timer1Timer();
  EXPECT_EQ(Selection(memoPO()), std::make_tuple(1, 0, 6));
  EXPECT_EQ(bench.state.CurrentPattern, 0) << "the song page does not switch the pattern view";

  bench.transport->Pattern1Click();
  bench.transport->Timer1Timer();  // still the old highlight: pattern mode shows none of its own
  bench.transport->Stop1Click();
  bench.transport->Timer1Timer();
  EXPECT_EQ(std::get<2>(Selection(memoPO())), 0);
  bench.transport->Pattern1Click();
  bench.RenderOnce();
  bench.transport->Timer1Timer();
  EXPECT_EQ(std::get<2>(Selection(memoPO())), 0) << "no order highlight while one pattern plays";
}

TEST_F(TransportTest, HighlightsClearAfterAStopEntryEndsTheSong) {
  song().Order[1] = MakeOrderEntry(kOrderStop, 0);
  bench.ShowSongPage();
  QTest::keyClick(memoPO(), Qt::Key_Right);  // order cursor on position 0, low digit
  bench.transport->Song4Click();
  bench.RenderOnce();
  bench.transport->Timer1Timer();
  EXPECT_EQ(Selection(memoPO()), std::make_tuple(0, 0, 6));

  EXPECT_GT(bench.RenderUntilStopped(100), 0);
  EXPECT_EQ(position().OrderPos, 1) << "stopped on the S entry";
  bench.transport->Timer1Timer();
  EXPECT_FALSE(memoPO()->textCursor().hasSelection());
  EXPECT_EQ(CaretOf(memoPO()), std::make_pair(0, 5)) << "the caret returns to the order cursor";
  bench.transport->Timer1Timer();
  EXPECT_EQ(CaretOf(memoPO()), std::make_pair(0, 5));
}

TEST_F(TransportTest, NothingHappensOnOtherPagesWhilePlaying) {
  bench.patternPage->hide();
  bench.songPage->hide();
  bench.window.show();
  bench.state.OrderRow = 6;
  bench.transport->Song4Click();
  bench.RenderOnce();
  const int refreshes = bench.views.Count("pattern");
  bench.transport->Timer1Timer();
  EXPECT_EQ(bench.state.CurrentPattern, 0);
  EXPECT_EQ(bench.views.Count("pattern"), refreshes);
  EXPECT_FALSE(memoPO()->textCursor().hasSelection());
}

}  // namespace
}  // namespace kelmar
