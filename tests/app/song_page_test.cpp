// The "Song Editor" page driven through its real widgets: the order list's keys, the
// song settings' bars and boxes, and "Optimize".
#include <gtest/gtest.h>

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "song_test_context.h"

namespace kelmar {
namespace {

using testing::CaretOf;
using testing::LineOf;
using testing::SongBench;

class SongPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench.ShowSongPage();
    memo = bench.songPage->findChild<QPlainTextEdit*>("MemoPO");
    ASSERT_NE(memo, nullptr);
  }
  Song& song() { return bench.engine->song; }
  void Key(Qt::Key key, int times = 1) {
    for (int i = 0; i < times; ++i) QTest::keyClick(memo, key);
  }
  void Type(const char* text) { QTest::keyClicks(memo, text); }
  template <typename T>
  T* Find(const char* name) {
    T* widget = bench.songPage->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  SongBench bench;
  QPlainTextEdit* memo = nullptr;
};

// --- the order list ---

TEST_F(SongPageTest, ShowsTheNewSongsListWithTheCaretOnTheHighDigit) {
  EXPECT_EQ(memo->document()->blockCount(), 256);
  EXPECT_EQ(LineOf(memo, 0), "00:P00");
  EXPECT_EQ(LineOf(memo, 0xA7), "A7:PA7");
  EXPECT_EQ(LineOf(memo, 255), "FF:PFF");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_TRUE(memo->hasFocus()) << "showing the page focuses the order list";
  EXPECT_EQ(CaretOf(memo), std::make_pair(0, 4));
  EXPECT_FALSE(memo->textCursor().hasSelection());
}

TEST_F(SongPageTest, InsertAndDeleteOnTheFirstAndLastPositions) {
  Key(Qt::Key_Insert);
  EXPECT_EQ(LineOf(memo, 0), "00:S00");
  EXPECT_EQ(LineOf(memo, 1), "01:P00");
  EXPECT_EQ(LineOf(memo, 255), "FF:PFE") << "the entry that played pattern FF is gone";
  EXPECT_EQ(song().Order[0], 0x200);
  EXPECT_TRUE(bench.views.UnsavedChanges());
  EXPECT_EQ(CaretOf(memo), std::make_pair(0, 4));

  Key(Qt::Key_Delete);
  EXPECT_EQ(LineOf(memo, 0), "00:P00");
  EXPECT_EQ(LineOf(memo, 254), "FE:PFE");
  EXPECT_EQ(LineOf(memo, 255), "FF:S00");

  Key(Qt::Key_Down, 300);
  EXPECT_EQ(bench.state.OrderRow, 255);
  song().Order[255] = 0x1FF;
  Key(Qt::Key_Delete);
  EXPECT_EQ(LineOf(memo, 255), "FF:S00");
  EXPECT_EQ(LineOf(memo, 254), "FE:PFE");
  song().Order[255] = 0x0FF;
  Key(Qt::Key_Insert);
  EXPECT_EQ(LineOf(memo, 255), "FF:S00");
  EXPECT_EQ(LineOf(memo, 254), "FE:PFE");
  EXPECT_EQ(CaretOf(memo), std::make_pair(255, 4));
}

TEST_F(SongPageTest, JTurnsPlayPatternFiveIntoJumpToFive) {
  Key(Qt::Key_Down, 5);
  Type("j");
  EXPECT_EQ(LineOf(memo, 5), "05:J05");
  EXPECT_EQ(song().Order[5], 0x105);
  Type("S");
  EXPECT_EQ(LineOf(memo, 5), "05:S05");
  Type(".");
  EXPECT_EQ(LineOf(memo, 5), "05:P05");
  EXPECT_EQ(CaretOf(memo), std::make_pair(5, 4)) << "command keys leave the cursor";
  QTest::keyClick(memo, Qt::Key_J, Qt::AltModifier);  // keys held with Alt or Control type no data
  EXPECT_EQ(LineOf(memo, 5), "05:P05");
}

TEST_F(SongPageTest, TwoDigitsThenEnterGoToTheNextLine) {
  Key(Qt::Key_Down, 2);
  Type("3f");
  EXPECT_EQ(LineOf(memo, 2), "02:P3F");
  EXPECT_EQ(CaretOf(memo), std::make_pair(2, 6)) << "just after the low digit";
  Key(Qt::Key_Return);
  EXPECT_EQ(bench.state.OrderRow, 3);
  EXPECT_EQ(bench.state.OrderColumn, 0);
  EXPECT_EQ(CaretOf(memo), std::make_pair(3, 4));
  Type("a");
  EXPECT_EQ(LineOf(memo, 3), "03:PA3");
}

TEST_F(SongPageTest, LeftFromColumnTwoGoesBackToTheLowDigit) {
  Type("12");
  EXPECT_EQ(bench.state.OrderColumn, 2);
  Key(Qt::Key_Left);
  EXPECT_EQ(bench.state.OrderColumn, 1);
  EXPECT_EQ(CaretOf(memo), std::make_pair(0, 5));
  Type("9");
  EXPECT_EQ(LineOf(memo, 0), "00:P19");
  Key(Qt::Key_Backspace, 3);
  EXPECT_EQ(bench.state.OrderColumn, 0);
  Key(Qt::Key_Right, 3);
  EXPECT_EQ(bench.state.OrderColumn, 1) << "Right stops at the low digit";
}

TEST_F(SongPageTest, FurtherDigitsKeepTheCaretOnTheCursorLine) {
  Key(Qt::Key_Down, 7);
  Type("1234");
  EXPECT_EQ(LineOf(memo, 7), "07:P14");
  EXPECT_EQ(LineOf(memo, 8), "08:P08");
  EXPECT_EQ(CaretOf(memo), std::make_pair(7, 6));
}

TEST_F(SongPageTest, IgnoredCharacterStillRedrawsTheList) {
  song().Order[3] = 0x1AB;  // changed behind the list's back
  bench.views.Resync();
  Type("g");
  EXPECT_EQ(LineOf(memo, 3), "03:JAB");
  EXPECT_FALSE(bench.views.UnsavedChanges()) << "nothing was edited";
  EXPECT_EQ(CaretOf(memo), std::make_pair(0, 4));
}

TEST_F(SongPageTest, ArrowsNeitherEditNorMarkTheSongChanged) {
  Key(Qt::Key_Down, 3);
  Key(Qt::Key_Up);
  Key(Qt::Key_Right);
  Key(Qt::Key_PageDown);
  Key(Qt::Key_End);
  EXPECT_EQ(CaretOf(memo), std::make_pair(2, 5)) << "keys the list leaves alone do not move the caret";
  EXPECT_FALSE(memo->textCursor().hasSelection());
  EXPECT_FALSE(bench.views.UnsavedChanges());
  EXPECT_EQ(memo->toPlainText().size(), 256 * 7 - 1) << "typing never inserts characters";
}

TEST_F(SongPageTest, AClickPutsTheCursorOnTheEntryAndDigit) {
  const std::tuple<int, int, int> clicks[] = {{4, 0, 0}, {4, 4, 0}, {6, 5, 1}, {2, 3, 0}, {1, 6, 1}};  // line, character, column
  for (const auto& [line, character, column] : clicks) {
    testing::ClickOn(memo, line, character);
    EXPECT_EQ(bench.state.OrderRow, line);
    EXPECT_EQ(bench.state.OrderColumn, column);
    EXPECT_EQ(CaretOf(memo), std::make_pair(line, 4 + column));
  }
  EXPECT_FALSE(memo->textCursor().hasSelection());
  EXPECT_FALSE(bench.views.UnsavedChanges());
}

TEST_F(SongPageTest, CursorRowSurvivesASongLoad) {
  Key(Qt::Key_Down, 9);
  // What a song load does to the song and the views.
  {
    EngineLock lock(*bench.engine);
    bench.engine->StopPlayback();
    ResetSong(song());
    song().Order[9] = 0x122;
  }
  bench.views.Resync();
  bench.songPage->RefreshOrderList();
  EXPECT_EQ(bench.state.OrderRow, 9);
  EXPECT_EQ(LineOf(memo, 9), "09:J22");
  EXPECT_EQ(CaretOf(memo), std::make_pair(9, 4));
  bench.transport->Song4Click();
  EXPECT_EQ(bench.engine->Position().OrderPos, 9) << "Play Song starts where the cursor was";
  EXPECT_FALSE(bench.views.UnsavedChanges());
}

TEST_F(SongPageTest, OptimizeAsksAndOnYesRewritesTheOrderList) {
  auto* optimize = Find<QPushButton>("Optimize");
  ASSERT_NE(optimize, nullptr);
  EXPECT_EQ(optimize->text(), "Optimize");
  EXPECT_TRUE(optimize->toolTip().contains("identical patterns")) << "says what it does";

  bench.messages.QueueAnswer(MessageBoxes::Answer::No);
  song().Order[4] = 0x1FF;
  bench.views.Resync();
  QTest::mouseClick(optimize, Qt::LeftButton);
  EXPECT_EQ(bench.messages.Shown(), QStringList{"This will change your Pattern Order List. Are you sure?"});
  EXPECT_EQ(LineOf(memo, 4), "04:JFF") << "No still redraws";
  EXPECT_EQ(LineOf(memo, 7), "07:P07");
  EXPECT_FALSE(bench.views.UnsavedChanges());

  bench.messages.QueueAnswer(MessageBoxes::Answer::Yes);
  QTest::mouseClick(optimize, Qt::LeftButton);
  EXPECT_EQ(LineOf(memo, 7), "07:P00") << "every empty pattern is the same as pattern 0";
  EXPECT_EQ(LineOf(memo, 4), "04:JFF");
  EXPECT_TRUE(bench.views.UnsavedChanges());
}

// --- song settings ---

TEST_F(SongPageTest, GreenTextBarAt128ColoursEveryTextBox) {
  auto* green = Find<QScrollBar>("ScrollBarGF");
  ASSERT_NE(green, nullptr);
  EXPECT_EQ(green->property("Tag").toInt(), 1);
  EXPECT_EQ(green->value(), 255);
  // A click on the trough moves by the large step of 16.
  green->triggerAction(QAbstractSlider::SliderToMinimum);
  for (int i = 0; i < 8; ++i) green->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(green->value(), 128);
  EXPECT_EQ(bench.settings.TextColor, 0x00008000u);
  EXPECT_TRUE(bench.views.UnsavedChanges());
  const QList<QWidget*> boxes = bench.views.TextBoxes();
  ASSERT_EQ(boxes.size(), 13);
  for (QWidget* box : boxes) {
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(0, 128, 0)) << box->objectName().toStdString();
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(0, 0, 0));
  }
}

TEST_F(SongPageTest, ColourBarsCarryTheirTags) {
  const char* const names[6] = {"ScrollBarRF", "ScrollBarGF", "ScrollBarBF", "ScrollBarRB", "ScrollBarGB", "ScrollBarBB"};
  for (int i = 0; i < 6; ++i) {
    auto* bar = Find<QScrollBar>(names[i]);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->property("Tag").toInt(), i % 3) << names[i];
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 255);
    EXPECT_EQ(bar->pageStep(), 16);
  }
  auto* blueBack = Find<QScrollBar>("ScrollBarBB");
  blueBack->setFocus();
  QTest::keyClick(blueBack, Qt::Key_End);  // keyboard moves count as user moves too
  EXPECT_EQ(bench.settings.BackColor, 0x00FF0000u);
  EXPECT_EQ(bench.songPage->EditTit()->palette().color(QPalette::Base), QColor(0, 0, 255));
}

TEST_F(SongPageTest, LoadedTopByteStaysUntilABarMoves) {
  bench.settings.TextColor = 0x7F00FF00;
  bench.settings.BackColor = 0x01102030;
  bench.songPage->ApplyColors();  // what a load does
  EXPECT_EQ(bench.settings.TextColor, 0x7F00FF00u);
  EXPECT_EQ(bench.settings.BackColor, 0x01102030u);
  EXPECT_EQ(Find<QScrollBar>("ScrollBarRB")->value(), 0x30);
  EXPECT_EQ(Find<QScrollBar>("ScrollBarGB")->value(), 0x20);
  EXPECT_EQ(Find<QScrollBar>("ScrollBarBB")->value(), 0x10);
  EXPECT_FALSE(bench.views.UnsavedChanges()) << "setting bars from the program is no user move";

  auto* red = Find<QScrollBar>("ScrollBarRF");
  red->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(bench.settings.TextColor, 0x0000FF01u);
  EXPECT_EQ(bench.settings.BackColor, 0x01102030u) << "the other colour keeps its top byte";
}

TEST_F(SongPageTest, TempoAndSpeedLabelsAndBars) {
  auto* labelTPO = Find<QLabel>("LabelTPO");
  auto* labelSPD = Find<QLabel>("LabelSPD");
  auto* tempo = Find<QScrollBar>("ScrollBarTPO");
  auto* speed = Find<QScrollBar>("ScrollBarSPD");
  EXPECT_EQ(labelSPD->text(), "   6");
  EXPECT_EQ(labelTPO->text(), "  50");
  EXPECT_EQ(tempo->minimum(), 10);
  EXPECT_EQ(tempo->maximum(), 250);
  EXPECT_EQ(tempo->pageStep(), 10);
  EXPECT_EQ(speed->minimum(), 1);
  EXPECT_EQ(speed->maximum(), 31);

  tempo->setFocus();
  QTest::keyClick(tempo, Qt::Key_End);
  EXPECT_EQ(song().Tempo, 250);
  EXPECT_EQ(labelTPO->text(), " 250");
  QTest::keyClick(tempo, Qt::Key_Home);
  EXPECT_EQ(labelTPO->text(), "  10");
  QTest::keyClick(tempo, Qt::Key_Right);  // the way the thumb goes, not QScrollBar's own way round
  QTest::keyClick(tempo, Qt::Key_PageUp);
  EXPECT_EQ(song().Tempo, 21);
  speed->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(song().Speed, 7);
  EXPECT_EQ(labelSPD->text(), "   7");
  EXPECT_TRUE(bench.views.UnsavedChanges());

  // A loaded value outside the range shows unchanged in the label, the bar at its end.
  bench.views.Resync();
  song().Tempo = 0;
  song().Speed = 40;
  bench.songPage->RefreshOrderList();
  EXPECT_EQ(labelTPO->text(), "   0");
  EXPECT_EQ(tempo->value(), 10);
  EXPECT_EQ(labelSPD->text(), "  40");
  EXPECT_EQ(speed->value(), 31);
  EXPECT_EQ(song().Tempo, 0) << "setting the bar from the program is no user move";
  EXPECT_FALSE(bench.views.UnsavedChanges());
  tempo->setValue(125);  // what the bar's "Scroll here" does: no action, still the user's move
  EXPECT_EQ(song().Tempo, 125);
  EXPECT_EQ(labelTPO->text(), " 125");
}

TEST_F(SongPageTest, TempoMovedDuringPlaybackChangesTheNextStart) {
  bench.transport->Song4Click();
  bench.RenderOnce();
  EXPECT_EQ(bench.engine->CurTempo, 50);
  auto* tempo = Find<QScrollBar>("ScrollBarTPO");
  tempo->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(song().Tempo, 60);
  EXPECT_EQ(Find<QLabel>("LabelTPO")->text(), "  60");
  bench.RenderOnce();
  EXPECT_EQ(bench.engine->CurTempo, 50) << "the running song keeps its tempo";
  EXPECT_TRUE(bench.engine->Position().Playing);
  bench.transport->Song4Click();
  EXPECT_EQ(bench.engine->CurTempo, 60);
}

TEST_F(SongPageTest, TitleAndCommentAreTheSongsText) {
  QLineEdit* title = Find<QLineEdit>("EditTit");
  auto* comment = Find<QPlainTextEdit>("MemoC");
  EXPECT_EQ(title->text(), "Songtitle");
  EXPECT_EQ(comment->toPlainText(), "Songcomment");

  title->setFocus();
  QTest::keyClick(title, Qt::Key_End);
  QTest::keyClicks(title, "!");
  EXPECT_EQ(bench.settings.Title, "Songtitle!");
  EXPECT_TRUE(bench.views.UnsavedChanges());

  bench.views.Resync();
  comment->setFocus();
  comment->moveCursor(QTextCursor::End);
  QTest::keyClick(comment, Qt::Key_Return);
  QTest::keyClicks(comment, "x");
  EXPECT_EQ(bench.settings.Comment, "Songcomment\r\nx") << "lines are stored with CR LF";
  EXPECT_TRUE(bench.views.UnsavedChanges());

  // A new song or a load replaces the texts; the boxes follow without marking a change.
  bench.views.Resync();
  bench.settings.Title = "Loaded";
  bench.settings.Comment = "one\r\ntwo";
  bench.songPage->RefreshOrderList();
  EXPECT_EQ(title->text(), "Loaded");
  EXPECT_EQ(comment->toPlainText(), "one\ntwo");
  EXPECT_EQ(bench.settings.Comment, "one\r\ntwo");
  EXPECT_FALSE(bench.views.UnsavedChanges());

  // Only what a song file stores: other characters are left out, typed or pasted, and the
  // comment ends at the file's 65,535 bytes, a line break counting two (CR LF).
  QGuiApplication::clipboard()->setText(QString::fromUtf8("\xE2\x82\xAC\xC4\x80\xF0\x9F\x8E\xB5"));
  title->paste();
  QTest::sendKeyEvent(QTest::Click, title, Qt::Key_A, QString::fromUtf8("\xC4\x80"), Qt::NoModifier);
  EXPECT_EQ(title->text().toStdString() + "|" + bench.settings.Title, "Loaded\xE2\x82\xAC|Loaded\xE2\x82\xAC");
  bench.settings.Comment = std::string(65532, 'x');
  bench.songPage->RefreshOrderList();
  comment->moveCursor(QTextCursor::End);
  QGuiApplication::clipboard()->setText(QString::fromUtf8("\n\xC4\x80" "A\nB"));
  comment->paste();
  QTest::keyClicks(comment, "z");
  EXPECT_EQ(bench.settings.Comment.substr(65531) + "|" + comment->toPlainText().right(3).toStdString(), "x\r\nA|x\nA");
}

}  // namespace
}  // namespace kelmar
