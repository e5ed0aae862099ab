// The transport and the song settings inside the real main window: F5, F6 and F8 work on
// every page, the timer follows the player, and the colours reach all thirteen text boxes.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <vector>

#include "app/file_commands.h"
#include "app/pages/pattern_page.h"
#include "app/pages/song_page.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

class TransportWindowTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowActive();
  }
  // Presses a key where the keyboard focus is, as a person would.
  void Press(Qt::Key key) {
    QWidget* target = Focused();
    QTest::keyClick(target ? target : static_cast<QWidget*>(window.get()), key);
  }
  PlayPosition position() { return window->engine().Position(); }
  void RenderOnce() {
    std::vector<uint8_t> buffer(4 * window->engine().BufferSize);
    window->engine().RenderBuffer(buffer.data());
  }
};

TEST_F(TransportWindowTest, PlayAndStopKeysWorkOnEveryPage) {
  window->engine().song.Order[3] = MakeOrderEntry(kOrderJump, 7);
  window->state().OrderRow = 3;
  window->state().CurrentPattern = 4;
  for (int page = 0; page < Pages()->count(); ++page) {
    SCOPED_TRACE(Pages()->tabText(page).toStdString());
    ShowPage(page);
    Press(Qt::Key_F5);
    EXPECT_TRUE(position().Playing);
    EXPECT_EQ(position().OrderPos, 3);
    EXPECT_EQ(position().PatternMode, 0);
    Press(Qt::Key_F8);
    EXPECT_FALSE(position().Playing);
    Press(Qt::Key_F6);
    EXPECT_TRUE(position().Playing);
    EXPECT_EQ(position().PatternMode, window->state().CurrentPattern + 1);
    Press(Qt::Key_F8);
    EXPECT_FALSE(position().Playing);
  }
  EXPECT_EQ(window->engine().song.Order[3], MakeOrderEntry(kOrderJump, 7)) << "no key reached the order list";
}

TEST_F(TransportWindowTest, RecordWritesTheHeardRowsAsOneStepFromF7) {
  ShowPage(2);
  window->state().CurrentPattern = 4;  // no order entry at the cursor plays it: F7 plays it alone
  window->state().TrackCursors[1].CursorRow = 3;
  window->state().EntryOctave = 3;
  window->RefreshPatternView();
  window->patternPage().FocusTrack(2);
  Run("Record1");
  Press(Qt::Key_F7);
  EXPECT_EQ(position().PatternMode, 5);
  EXPECT_EQ(position().Row, 3);
  Press(Qt::Key_Z);  // nothing heard yet: the row the player comes to, row 3
  std::vector<int16_t> frames(2 * 5292 * 2);
  window->engine().RenderFrames(frames.data(), 5292 * 2);  // rows 3 and 4 (no device: all of it is heard)
  Press(Qt::Key_X);
  Press(Qt::Key_F8);
  const auto& cells = window->engine().song.Patterns[4][1];
  EXPECT_EQ(cells[3].Note, 36);
  EXPECT_EQ(cells[4].Note, kEmptyNote);
  EXPECT_EQ(cells[5].Note, 38);
  EXPECT_EQ(Item("Undo1")->text(), "Undo Record");
  Run("Undo1");
  EXPECT_EQ(cells[3].Note, kEmptyNote);
  EXPECT_EQ(cells[5].Note, kEmptyNote);
  // Stopped, Record changes nothing: the key enters its note at the cursor.
  Press(Qt::Key_Z);
  EXPECT_EQ(cells[window->state().TrackCursors[1].CursorRow - 1].Note, 36);
  EXPECT_EQ(Item("Undo1")->text(), "Undo Note Entry");
}

TEST_F(TransportWindowTest, TimerFollowsOnThePatternPage) {
  ShowPage(2);
  window->state().OrderRow = 5;
  Press(Qt::Key_F5);
  RenderOnce();
  // Wait for the window's own 100 ms timer rather than calling the tick.
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->state().CurrentPattern == 5; }, 2000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->patternPage().Memo(0)->textCursor().hasSelection(); }, 2000));
  Press(Qt::Key_F8);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window->patternPage().Memo(0)->textCursor().hasSelection(); }, 2000));
}

TEST_F(TransportWindowTest, GreenTextBarColoursAllThirteenTextBoxes) {
  ShowPage(3);
  auto* green = window->songPage().findChild<QScrollBar*>("ScrollBarGF");
  ASSERT_NE(green, nullptr);
  green->triggerAction(QAbstractSlider::SliderToMinimum);
  for (int i = 0; i < 8; ++i) green->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(window->settings().TextColor, 0x00008000u);
  EXPECT_TRUE(window->UnsavedChanges());
  const QList<QWidget*> boxes = window->TextBoxes();
  ASSERT_EQ(boxes.size(), 13);
  EXPECT_EQ(boxes.front()->objectName(), "MemoAbout");
  for (QWidget* box : boxes) {
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(0, 128, 0)) << box->objectName().toStdString();
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(0, 0, 0)) << box->objectName().toStdString();
  }
}

TEST_F(TransportWindowTest, NewSongResetsTitleCommentAndTempoButKeepsColoursAndCursor) {
  ShowPage(3);
  SongPage& page = window->songPage();
  QPlainTextEdit* memo = page.MemoPO();
  for (int i = 0; i < 4; ++i) QTest::keyClick(memo, Qt::Key_Down);
  QTest::keyClicks(memo, "s");
  page.EditTit()->setFocus();
  QTest::keyClicks(page.EditTit(), "X");
  page.findChild<QScrollBar*>("ScrollBarTPO")->triggerAction(QAbstractSlider::SliderToMaximum);
  page.findChild<QScrollBar*>("ScrollBarRB")->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(window->engine().song.Tempo, 250);

  window->NewSong();
  EXPECT_EQ(page.EditTit()->text(), "Songtitle");
  EXPECT_EQ(page.MemoC()->toPlainText(), "Songcomment");
  EXPECT_EQ(page.findChild<QLabel*>("LabelTPO")->text(), "  50");
  EXPECT_EQ(page.findChild<QScrollBar*>("ScrollBarTPO")->value(), 50);
  EXPECT_EQ(memo->document()->findBlockByNumber(4).text(), "04:P04");
  EXPECT_EQ(window->state().OrderRow, 4);
  EXPECT_EQ(window->settings().BackColor, 0x000000FFu);
  EXPECT_EQ(page.findChild<QScrollBar*>("ScrollBarRB")->value(), 255);
}

TEST_F(TransportWindowTest, CursorRowSurvivesASongLoadAndPlaySongStartsThere) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString file = folder.filePath("cursor.sng");
  window->fileCommands().SetDialogHook([&](const FileDialogRequest&) { return file; });
  window->engine().song.Order[9] = MakeOrderEntry(kOrderJump, 0x22);
  window->settings().Title = "Saved title";
  Run("Song3");  // Save / Song
  window->NewSong();

  ShowPage(3);
  QPlainTextEdit* memo = window->songPage().MemoPO();
  for (int i = 0; i < 9; ++i) QTest::keyClick(memo, Qt::Key_Down);
  QTest::keyClick(memo, Qt::Key_Right);
  Answer(MessageBoxes::Answer::Yes);  // "Unsaved changes will be lost. Load Song?"
  Run("Song2");                       // Load / Song
  window->fileCommands().SetDialogHook(nullptr);

  EXPECT_EQ(window->state().OrderRow, 9);
  EXPECT_EQ(window->state().OrderColumn, 1);
  EXPECT_EQ(memo->document()->findBlockByNumber(9).text(), "09:J22");
  EXPECT_EQ(memo->textCursor().blockNumber(), 9);
  EXPECT_EQ(memo->textCursor().positionInBlock(), 5);
  EXPECT_EQ(window->songPage().EditTit()->text(), "Saved title");
  EXPECT_FALSE(window->UnsavedChanges());
  Press(Qt::Key_F5);
  EXPECT_TRUE(position().Playing);
  EXPECT_EQ(position().OrderPos, 9);
}

}  // namespace
}  // namespace kelmar
