// The "Pattern Editor" page driven through its real track columns: keys typed with QTest
// change the cells and the same characters of the columns, which must always agree.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <memory>

#include "app/app_context.h"
#include "app/message_box.h"
#include "app/pages/pattern_page.h"
#include "audio/audio_output.h"
#include "editors/pattern/block_selection.h"
#include "editors/pattern/pattern_text.h"
#include "editors/pattern/pattern_tools.h"

#include "app_bench.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

class PatternPageTest : public testing::AppBenchTest {
 protected:
  PatternPageTest() {
    ResetSong(song());
    views_.Resync();
    window_.resize(671, 519);
    page_ = new PatternPage(ctx_, &window_);
    page_->setGeometry(0, 0, 671, 519);
  }

  // Shows the page in an active window, so that focus moves are real.
  void Show() {
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    page_->TPattEdShow();
  }

  Song& song() { return engine_->song; }
  QPlainTextEdit* Memo(int track) { return page_->findChild<QPlainTextEdit*>(QStringLiteral("Memo%1").arg(track + 1)); }
  QLabel* Labelpatt() { return page_->findChild<QLabel*>("Labelpatt"); }
  QScrollBar* ScrollBarpatt() { return page_->findChild<QScrollBar*>("ScrollBarpatt"); }
  PatternCell& Cell(int track, int row) { return song().Cell(state_.CurrentPattern, track, row); }
  TrackCursor& Cursor(int track) { return state_.TrackCursors[track]; }
  std::string Line(int track, int row) {
    return Memo(track)->document()->findBlockByNumber(row).text().toStdString();
  }
  // The column's caret as (row, character in the row); it never selects.
  std::pair<int, int> Caret(int track) {
    const QTextCursor c = Memo(track)->textCursor();
    EXPECT_FALSE(c.hasSelection());
    return {c.blockNumber(), c.positionInBlock()};
  }
  std::pair<int, int> CursorCaret(int track) {
    return {Cursor(track).CursorRow, kColumnOffset[Cursor(track).CursorColumn]};
  }
  // Every column shows exactly its cells, and every caret sits on its cursor.
  void ExpectInStep() {
    for (int t = 0; t < 8; ++t) {
      EXPECT_EQ(Memo(t)->toPlainText().toStdString(), TrackText(song(), state_.CurrentPattern, t, "\n")) << t;
      EXPECT_EQ(Caret(t), CursorCaret(t)) << t;
    }
  }
  void Key(int track, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Memo(track), key, modifiers);
  }
  void Type(int track, const char* chars) { QTest::keyClicks(Memo(track), QString::fromLatin1(chars)); }
  int FocusedMemo() {
    for (int t = 0; t < 8; ++t) {
      if (Memo(t)->hasFocus()) return t;
    }
    return -1;
  }

  QWidget window_;
  PatternPage* page_;
};

TEST_F(PatternPageTest, ControlsStandWhereTheyBelong) {
  auto* label34 = page_->findChild<QLabel*>("Label34");
  ASSERT_NE(label34, nullptr);
  EXPECT_EQ(label34->geometry(), QRect(8, 7, 68, 17));
  EXPECT_EQ(label34->text(), "Pattern");
  ASSERT_NE(Labelpatt(), nullptr);
  EXPECT_EQ(Labelpatt()->geometry(), QRect(82, 7, 26, 17));
  EXPECT_EQ(Labelpatt()->text(), "  00");
  ASSERT_NE(ScrollBarpatt(), nullptr);
  EXPECT_EQ(ScrollBarpatt()->geometry(), QRect(117, 8, 532, 12));
  EXPECT_EQ(ScrollBarpatt()->orientation(), Qt::Horizontal);
  EXPECT_EQ(ScrollBarpatt()->minimum(), 0);
  EXPECT_EQ(ScrollBarpatt()->maximum(), 255);
  EXPECT_EQ(ScrollBarpatt()->pageStep(), 1);
  EXPECT_EQ(ScrollBarpatt()->value(), 0);

  QPlainTextEdit* memo0 = page_->findChild<QPlainTextEdit*>("Memo0");
  ASSERT_EQ(memo0, page_->Memo(0));
  EXPECT_EQ(memo0->geometry(), QRect(3, 30, 22, 457));
  EXPECT_FALSE(memo0->isEnabled());
  EXPECT_TRUE(memo0->isReadOnly());
  EXPECT_EQ(memo0->toPlainText().toStdString(), RowNumberText("\n"));
  for (int t = 0; t < 8; ++t) {
    ASSERT_NE(Memo(t), nullptr) << t;
    EXPECT_EQ(Memo(t), page_->Memo(t + 1));
    EXPECT_EQ(Memo(t)->geometry(), QRect(25 + 78 * t, 30, 78, 457)) << t;
    EXPECT_TRUE(Memo(t)->isReadOnly());
    EXPECT_EQ(Memo(t)->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(QFontInfo(Memo(t)->font()).fixedPitch());
    EXPECT_EQ(Memo(t)->font().pixelSize(), 11);
  }
  EXPECT_EQ(page_->TextBoxes().size(), 9);
  EXPECT_EQ(page_->TextBoxes().front(), memo0);
  EXPECT_EQ(page_->Memo(9), nullptr);
  // The default colours, green on black.
  EXPECT_EQ(Memo(3)->palette().color(QPalette::Text), QColor(0, 255, 0));
  EXPECT_EQ(Memo(3)->palette().color(QPalette::Base), QColor(0, 0, 0));
  ExpectInStep();
}

TEST_F(PatternPageTest, RefreshShowsTheCurrentPatternWithCaretsOnTheCursors) {
  song().Cell(6, 2, 0) = {48, 0x21, 0x05, 0x88};
  song().Cell(6, 7, 31) = {200, 0xA4, 0, 0x1F};
  state_.CurrentPattern = 6;
  Cursor(2) = {3, 17};
  Cursor(7) = {7, 31};
  page_->RefreshPatternView();
  EXPECT_EQ(Line(2, 0), "C-4 I05V88");
  EXPECT_EQ(Line(7, 31), "... x00M1F");
  EXPECT_EQ(Labelpatt()->text(), "  06");
  EXPECT_EQ(ScrollBarpatt()->value(), 6);
  EXPECT_EQ(page_->CaretPosition(2), 12 * 17 + 5);
  ExpectInStep();
  // The cursors stay where they are when the pattern changes.
  state_.CurrentPattern = 0;
  page_->RefreshPatternView();
  EXPECT_EQ(Cursor(2).CursorRow, 17);
  ExpectInStep();
}

TEST_F(PatternPageTest, MelodyWithAutoInstrumentEffectOnAndOff) {
  Show();
  state_.CurrentInstrument = 0x2A;
  state_.EntryOctave = 4;
  engine_->Channels[3].Instrument = 0;
  Cursor(3) = {0, 0};
  Type(3, "zXq");
  EXPECT_EQ(Cell(3, 0).Note, 48);
  EXPECT_EQ(Cell(3, 1).Note, 50);
  EXPECT_EQ(Cell(3, 2).Note, 60);
  EXPECT_EQ(Cell(3, 2).Effects, 0x20);
  EXPECT_EQ(Cell(3, 2).Param1, 0x2A);
  EXPECT_EQ(Line(3, 0), "C-4 I2A.00");
  EXPECT_EQ(Line(3, 2), "C-5 I2A.00");
  // The last note sounded on the track's own voice with the selected instrument.
  EXPECT_EQ(engine_->Channels[3].Instrument, 0x2A);
  EXPECT_EQ(engine_->Channels[3].Semitone, 0);
  EXPECT_EQ(engine_->Channels[3].Octave, 5);
  EXPECT_EQ(Cursor(3).CursorRow, 3);

  state_.AutoIxxEffect = false;
  Cell(3, 3) = {kEmptyNote, 0x19, 0x44, 0x55};
  page_->RefreshPatternView();
  Type(3, "m");
  EXPECT_EQ(Line(3, 3), "B-4 V44D55");
  EXPECT_EQ(Cell(3, 3).Effects, 0x19);
  EXPECT_EQ(Cell(3, 3).Param1, 0x44);
  EXPECT_TRUE(views_.UnsavedChanges());
  ExpectInStep();
}

TEST_F(PatternPageTest, TypingWalksAcrossTheDigitsIntoTheNextTrack) {
  Show();
  Cell(4, 12) = {5, 0, 0, 0};
  page_->RefreshPatternView();
  Cursor(4) = {1, 12};
  Cursor(5) = {6, 30};
  page_->FocusTrack(5);
  EXPECT_EQ(FocusedMemo(), 4);
  Type(4, "2i3cs7f");
  EXPECT_EQ(Line(4, 12), "F-2 I3CS7F");
  EXPECT_EQ(Cell(4, 12).Note, 29);
  EXPECT_EQ(Cell(4, 12).Effects, 0x26);
  EXPECT_EQ(Cell(4, 12).Param1, 0x3C);
  EXPECT_EQ(Cell(4, 12).Param2, 0x7F);
  EXPECT_EQ(state_.EntryOctave, 2);
  EXPECT_EQ(FocusedMemo(), 5);
  EXPECT_EQ(Cursor(5).CursorRow, 12);
  EXPECT_EQ(Cursor(5).CursorColumn, 0);
  EXPECT_EQ(Cursor(4).CursorColumn, 7);
  // The next note goes into track 5 on the same row.
  QTest::keyClicks(QApplication::focusWidget(), "n");
  EXPECT_EQ(song().Cell(0, 5, 12).Note, 33);
  ExpectInStep();
}

TEST_F(PatternPageTest, InsertAndDeleteOnTheFirstAndLastRow) {
  Show();
  for (int r = 0; r < 32; ++r) {
    Cell(1, r) = {static_cast<uint8_t>(r), 0, 0, static_cast<uint8_t>(r)};
    Cell(2, r) = {static_cast<uint8_t>(r), 0, 0, 0};
  }
  page_->RefreshPatternView();
  Cursor(1) = {4, 0};
  Key(1, Qt::Key_Insert);
  EXPECT_EQ(Line(1, 0), "... .00.00");
  EXPECT_EQ(Line(1, 1), "C-0 .00.00");
  EXPECT_EQ(Cell(1, 31).Note, 30);
  ExpectInStep();
  Key(1, Qt::Key_Delete);
  Key(1, Qt::Key_Delete);
  EXPECT_EQ(Line(1, 0), "C#0 .00.01");
  EXPECT_EQ(Line(1, 30), "... .00.00");
  EXPECT_EQ(Line(1, 31), "... .00.00");
  for (int r = 0; r < 32; ++r) EXPECT_EQ(Cell(2, r).Note, r);  // the neighbour never moves
  ExpectInStep();

  Cursor(2) = {0, 31};
  Key(2, Qt::Key_Insert);
  EXPECT_EQ(Line(2, 31), "... .00.00");
  EXPECT_EQ(Line(2, 30), "F#2 .00.00");
  Cell(2, 31) = {31, 0, 0, 0};
  page_->RefreshPatternView();
  Key(2, Qt::Key_Delete);
  EXPECT_EQ(Line(2, 31), "... .00.00");
  EXPECT_EQ(Line(2, 30), "F#2 .00.00");
  EXPECT_EQ(Cursor(2).CursorRow, 31);
  ExpectInStep();
}

TEST_F(PatternPageTest, EveryArrowStopsAtItsBound) {
  Show();
  Key(0, Qt::Key_Up);
  Key(0, Qt::Key_Left);
  Key(0, Qt::Key_Backspace);
  EXPECT_EQ(Cursor(0).CursorRow, 0);
  EXPECT_EQ(Cursor(0).CursorColumn, 0);
  EXPECT_EQ(FocusedMemo(), 0);
  for (int i = 0; i < 35; ++i) Key(0, Qt::Key_Down);
  EXPECT_EQ(Cursor(0).CursorRow, 31);
  EXPECT_EQ(Caret(0), std::make_pair(31, 0));

  // Right through all 64 columns of the row, into track 7's last column, and no further.
  for (int i = 0; i < 70; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  EXPECT_EQ(FocusedMemo(), 7);
  EXPECT_EQ(Cursor(7).CursorRow, 31);
  EXPECT_EQ(Cursor(7).CursorColumn, 7);
  EXPECT_EQ(Caret(7), std::make_pair(31, 9));
  Key(7, Qt::Key_Down);
  EXPECT_EQ(Cursor(7).CursorRow, 31);

  // And back left with Backspace.
  for (int i = 0; i < 70; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
  EXPECT_EQ(FocusedMemo(), 0);
  EXPECT_EQ(Cursor(0).CursorColumn, 0);
  for (int t = 0; t < 8; ++t) EXPECT_EQ(Cursor(t).CursorRow, 31);
  ExpectInStep();
}

TEST_F(PatternPageTest, EnterPlaysTheRowAndAClickPutsTheCursorThere) {
  Show();
  Cell(6, 0) = {40, 0, 0, 0};
  page_->RefreshPatternView();
  Cursor(6) = {5, 0};
  state_.CurrentInstrument = 9;
  Key(6, Qt::Key_Return);
  EXPECT_EQ(engine_->Channels[6].Instrument, 9);
  EXPECT_EQ(engine_->Channels[6].Octave, 3);
  EXPECT_EQ(engine_->Channels[6].Semitone, 4);
  EXPECT_EQ(Cursor(6).CursorColumn, 0);
  EXPECT_EQ(Cursor(6).CursorRow, 1);

  const auto before = std::make_unique<Song>(song());
  const std::pair<int, int> clicks[] = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {6, 4}, {9, 7}};  // character, column
  for (const auto& [character, column] : clicks) {
    testing::ClickOn(Memo(2), 7, character);
    EXPECT_EQ(Cursor(2).CursorRow, 7);
    EXPECT_EQ(Cursor(2).CursorColumn, column) << character;
  }
  EXPECT_EQ(FocusedMemo(), 2);
  testing::ClickOn(Memo(4), 3, 0, Qt::ShiftModifier);  // on from where track 2's cursor stood
  EXPECT_EQ(SelectedRange(state_), (BlockRange{3, 7, 2, 4}));
  testing::ClickOn(Memo(4), 3, 0);
  EXPECT_FALSE(SelectedRange(state_));
  EXPECT_EQ(std::memcmp(before.get(), &song(), sizeof(Song)), 0) << "a click edits nothing";
  ExpectInStep();
}

TEST_F(PatternPageTest, PatternKeysStopAtTheEndsAndStillRedraw) {
  Show();
  song().Cell(255, 0, 0) = {12, 0, 0, 0};
  state_.CurrentPattern = 254;
  page_->RefreshPatternView();
  Key(3, Qt::Key_Plus);
  EXPECT_EQ(state_.CurrentPattern, 255);
  EXPECT_EQ(Labelpatt()->text(), "  FF");
  EXPECT_EQ(ScrollBarpatt()->value(), 255);
  EXPECT_EQ(Line(0, 0), "C-1 .00.00");
  EXPECT_EQ(FocusedMemo(), 3);
  // The cells change behind the view; "+" on 255 keeps the pattern and redraws it.
  song().Cell(255, 0, 1) = {13, 0, 0, 0};
  Key(3, Qt::Key_Equal);
  EXPECT_EQ(state_.CurrentPattern, 255);
  EXPECT_EQ(Line(0, 1), "C#1 .00.00");
  Key(3, Qt::Key_Minus);
  EXPECT_EQ(state_.CurrentPattern, 254);
  EXPECT_EQ(Labelpatt()->text(), "  FE");

  state_.CurrentPattern = 0;
  page_->RefreshPatternView();
  song().Cell(0, 5, 5) = {14, 0, 0, 0};
  Key(3, Qt::Key_Minus);
  EXPECT_EQ(state_.CurrentPattern, 0);
  EXPECT_EQ(Labelpatt()->text(), "  00");
  EXPECT_EQ(Line(5, 5), "D-1 .00.00");
  ExpectInStep();
}

TEST_F(PatternPageTest, KeypadKeysStepTheInstrumentAndWrap) {
  Show();
  state_.CurrentInstrument = 255;
  Key(0, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(state_.CurrentInstrument, 0);
  EXPECT_EQ(state_.CurrentPattern, 0);
  EXPECT_EQ(views_.Count("instrument"), 1);
  Key(0, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(state_.CurrentInstrument, 255);
  EXPECT_EQ(views_.Count("instrument"), 2);
  for (const Qt::Key digit : {Qt::Key_5, Qt::Key_2, Qt::Key_Asterisk}) Key(0, digit, Qt::KeypadModifier);
  EXPECT_EQ(Line(0, 0), "... .00.00") << "the keypad's keys are not note keys";
  ExpectInStep();
}

TEST_F(PatternPageTest, AnErasedEffectKeepsItsDigits) {
  Show();
  Cursor(0) = {2, 0};
  Type(0, "i05");
  EXPECT_EQ(Line(0, 0), "... I05.00");
  Cursor(0).CursorColumn = 2;
  Key(0, Qt::Key_Space);
  EXPECT_EQ(Line(0, 0), "... .05.00");
  EXPECT_EQ(Cell(0, 0).Effects, 0);
  EXPECT_EQ(Cell(0, 0).Param1, 5);
  EXPECT_EQ(Cursor(0).CursorColumn, 3);
  ExpectInStep();
}

TEST_F(PatternPageTest, ShiftF3ThenAnUpperRowNoteGivesOctaveSix) {
  Show();
  QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_FALSE(page_->FormKeyDown(&f3));  // the column still gets the key
  EXPECT_EQ(state_.EntryOctave, 5);
  Type(0, "e");
  EXPECT_EQ(Cell(0, 0).Note, 6 * 12 + 4);
  EXPECT_EQ(Line(0, 0), "E-6 I00.00");
  const int octaves[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  const Qt::Key keys[4] = {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};
  for (int i = 0; i < 8; ++i) {
    QKeyEvent key(QEvent::KeyPress, keys[i / 2], i % 2 ? Qt::ShiftModifier : Qt::NoModifier);
    page_->FormKeyDown(&key);
    EXPECT_EQ(state_.EntryOctave, octaves[i]);
  }
  QKeyEvent other(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
  page_->FormKeyDown(&other);
  EXPECT_EQ(state_.EntryOctave, 7);
}

TEST_F(PatternPageTest, AKeyThatChangesNothingLeavesTheSongSaved) {
  Show();
  Key(0, Qt::Key_Control, Qt::ControlModifier);
  Key(0, Qt::Key_Up);
  Type(0, "k");  // no note key
  EXPECT_EQ(Cell(0, 0).Note, kEmptyNote);
  ExpectInStep();
  EXPECT_FALSE(views_.UnsavedChanges());
  Type(0, "z");
  EXPECT_TRUE(views_.UnsavedChanges());
}

TEST_F(PatternPageTest, OctaveDigitOnAnEmptyRowLeavesItEmpty) {
  Show();
  Cursor(0) = {1, 3};
  Type(0, "3");
  EXPECT_EQ(Cell(0, 3).Note, kEmptyNote);
  EXPECT_EQ(Line(0, 3), "... .00.00");
  EXPECT_EQ(state_.EntryOctave, 3);
  EXPECT_EQ(Cursor(0).CursorColumn, 2);
  ExpectInStep();
}

TEST_F(PatternPageTest, ScrollBarSelectsThePatternAndFocusesTheFirstTrack) {
  Show();
  song().Cell(0x21, 1, 0) = {2, 0, 0, 0};
  page_->FocusTrack(4);
  ScrollBarpatt()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(state_.CurrentPattern, 1);
  ScrollBarpatt()->setSliderPosition(0x21);
  EXPECT_EQ(state_.CurrentPattern, 0x21);
  EXPECT_EQ(Labelpatt()->text(), "  21");
  EXPECT_EQ(Line(1, 0), "D-0 .00.00");
  EXPECT_EQ(FocusedMemo(), 0);
  ExpectInStep();
}

TEST_F(PatternPageTest, TabWalksTheTracksThenTheScrollBar) {
  Show();
  for (int t = 1; t < 8; ++t) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(FocusedMemo(), t);
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), ScrollBarpatt());
  ExpectInStep();
}

TEST_F(PatternPageTest, CopyAndPasteTrack) {
  Show();
  // Paste before any copy takes track 0 of pattern 0.
  song().Cell(0, 0, 7) = {30, 0x21, 3, 0};
  state_.CurrentPattern = 2;
  page_->RefreshPatternView();
  page_->FocusTrack(6);
  page_->PasteTrack1Click();
  EXPECT_EQ(Line(5, 7), "F#2 I03V00");
  EXPECT_EQ(song().Cell(2, 5, 7).Note, 30);

  // Copy with no track focused remembers 255: pastes only redraw.
  ScrollBarpatt()->setFocus();
  page_->CopyTrack1Click();
  EXPECT_EQ(state_.TrackCopyTrack, 255);
  EXPECT_EQ(state_.TrackCopyPattern, 2);
  page_->FocusTrack(1);
  song().Cell(2, 0, 0).Param2 = 9;  // behind the view's back; the paste's redraw shows it
  page_->PasteTrack1Click();
  EXPECT_EQ(song().Cell(2, 0, 7).Note, kEmptyNote);
  EXPECT_EQ(Line(0, 0), "... .00.09");

  // Copy track 5, paste into track 3 of another pattern.
  page_->FocusTrack(6);
  page_->CopyTrack1Click();
  EXPECT_EQ(state_.TrackCopyTrack, 5);
  state_.CurrentPattern = 9;
  page_->RefreshPatternView();
  page_->FocusTrack(4);
  page_->PasteTrack1Click();
  EXPECT_EQ(song().Cell(9, 3, 7).Note, 30);
  EXPECT_EQ(Line(3, 7), "F#2 I03V00");
  // Paste with the focus away from the tracks does nothing.
  ScrollBarpatt()->setFocus();
  state_.CurrentPattern = 10;
  page_->PasteTrack1Click();
  EXPECT_TRUE(IsPatternEmpty(song(), 10));
  ExpectInStep();
}

TEST_F(PatternPageTest, CloneWithPatternsZeroToNineInUse) {
  Show();
  for (int p = 0; p <= 9; ++p) song().Cell(p, 0, 0) = {static_cast<uint8_t>(p), 0, 0, 0};
  state_.CurrentPattern = 3;
  page_->RefreshPatternView();
  page_->ClonePattern1Click();
  EXPECT_EQ(state_.CurrentPattern, 10);
  EXPECT_TRUE(PatternsEqual(song(), 3, 10));
  EXPECT_EQ(Labelpatt()->text(), "  0A");
  EXPECT_EQ(ScrollBarpatt()->value(), 10);
  EXPECT_EQ(Line(0, 0), "D#0 .00.00");
  ExpectInStep();
}

TEST_F(PatternPageTest, CloneWithPatterns254And255InUseChangesNothing) {
  Show();
  song().Cell(3, 0, 0) = {3, 0, 0, 0};
  song().Cell(254, 0, 0) = {4, 0, 0, 0};
  song().Cell(255, 0, 0) = {5, 0, 0, 0};
  state_.CurrentPattern = 3;
  page_->RefreshPatternView();
  page_->ClonePattern1Click();
  EXPECT_EQ(state_.CurrentPattern, 3);
  EXPECT_EQ(song().Cell(255, 0, 0).Note, 5);
  EXPECT_EQ(Labelpatt()->text(), "  03");
  EXPECT_FALSE(views_.UnsavedChanges());
  ExpectInStep();
}

// The page inside the real window: the menu's items and the key preview reach it.
class PatternPageInWindowTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowActive();
    ShowPage(2);
  }
  QPlainTextEdit* Memo(int track) { return window->patternPage().Memo(track + 1); }
  EditorState& state() { return window->state(); }
  Song& song() { return window->engine().song; }
  std::string Line(int track, int row) { return Memo(track)->document()->findBlockByNumber(row).text().toStdString(); }
};

TEST_F(PatternPageInWindowTest, ShowingThePageFocusesTheFirstTrack) {
  EXPECT_TRUE(Memo(0)->hasFocus());
  EXPECT_EQ(window->patternPage().FocusedTrack(), 0);
}

TEST_F(PatternPageInWindowTest, AutoIxxMenuItemSwitchesTheInstrumentEffect) {
  state().CurrentInstrument = 0x11;
  state().EntryOctave = 2;
  QTest::keyClicks(Memo(0), "z");
  EXPECT_EQ(Line(0, 0), "C-2 I11.00");
  Run("AutoIxxEffect1");
  EXPECT_FALSE(state().AutoIxxEffect);
  QTest::keyClicks(Memo(0), "x");
  EXPECT_EQ(Line(0, 1), "D-2 .00.00");
  EXPECT_EQ(song().Cell(0, 0, 1).Effects, 0);
  Run("AutoIxxEffect1");
  QTest::keyClicks(Memo(0), "c");
  EXPECT_EQ(Line(0, 2), "E-2 I11.00");
}

TEST_F(PatternPageInWindowTest, ShiftF3ThroughTheWindowThenAnUpperRowNote) {
  QTest::keyClick(Memo(0), Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(state().EntryOctave, 5);
  EXPECT_FALSE(window->UnsavedChanges());  // the song is as it was: nothing to save
  QTest::keyClicks(Memo(0), "q");
  EXPECT_EQ(song().Cell(0, 0, 0).Note, 72);
  EXPECT_EQ(Line(0, 0), "C-6 I00.00");
}

TEST_F(PatternPageInWindowTest, KeypadPlusOnInstrument255ShowsInstrumentZero) {
  state().CurrentInstrument = 255;
  window->RefreshInstrumentPanel();
  QTest::keyClick(Memo(4), Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(state().CurrentInstrument, 0);
  auto* box = Find<QGroupBox>("GroupBoxInstrument");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->title(), "Instrument  00");
  EXPECT_EQ(state().CurrentPattern, 0);
}

// Beneath row 31 a status line; behind the unchanged texts the beat rows and the cursor's cell.
TEST_F(PatternPageInWindowTest, StatusLineBeatRowsAndTheCursorsCell) {
  auto* status = Find<QLabel>("StatusLine");
  const QTextBlock row31 = Memo(0)->document()->lastBlock();
  EXPECT_GT(status->y(), Memo(0)->mapToParent(Memo(0)->cursorRect(QTextCursor(row31)).bottomLeft()).y());
  QTest::keyClick(Memo(0), Qt::Key_F3);
  QTest::keyClick(Memo(0), Qt::Key_Plus, Qt::KeypadModifier);
  Run("EditStepBy4");
  state().LoopPattern = state().Record = true;
  window->patternPage().ShowStatus();
  EXPECT_EQ(status->text(), "Octave 4   Instrument 01   Step 4   Loop   Record");
  EXPECT_EQ(window->patternPage().Memo(0)->palette().color(QPalette::Disabled, QPalette::Highlight), Qt::red);
  QTest::keyClicks(Memo(0), "z");
  auto marks = [&](int memo) { return window->patternPage().Memo(memo)->extraSelections(); };
  auto beats = [&](int memo) {  // the rows on a background of their own
    QList<int> rows;
    for (QTextBlock b = window->patternPage().Memo(memo)->document()->begin(); b.isValid(); b = b.next())
      if (b.blockFormat().hasProperty(QTextFormat::BackgroundBrush)) rows << b.blockNumber();
    return rows;
  };
  EXPECT_EQ(beats(0), QList<int>({0, 4, 8, 12, 16, 20, 24, 28}));
  const QTextEdit::ExtraSelection cell = marks(1).back();
  EXPECT_EQ(std::make_pair(cell.cursor.selectionStart(), cell.cursor.selectedText()),
            std::make_pair(4 * 11, QString("...")));
  EXPECT_EQ(cell.format.background().color(), QColor(178, 0, 0));  // red while recording
  Run("HighlightRows8");
  EXPECT_EQ(beats(5), QList<int>({0, 8, 16, 24}));
  Run("HighlightRowsOff1");
  EXPECT_EQ(beats(0).size() + beats(1).size(), 0);
  EXPECT_EQ(std::make_tuple(marks(1).size(), marks(2).size()), std::make_tuple(1, 0));
  for (int t = 0; t < 8; ++t) EXPECT_EQ(Memo(t)->toPlainText().toStdString(), TrackText(song(), 0, t, "\n"));
}

TEST_F(PatternPageInWindowTest, EditMenuShortcutsCopyPasteAndClone) {
  song().Cell(0, 2, 4) = {25, 0, 0, 0};
  window->patternPage().FocusTrack(3);
  QTest::keyClick(Memo(2), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(state().TrackCopyTrack, 2);
  window->patternPage().FocusTrack(8);
  QTest::keyClick(Memo(7), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(song().Cell(0, 7, 4).Note, 25);
  EXPECT_EQ(Line(7, 4), "C#2 .00.00");
  QTest::keyClick(Memo(7), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(state().CurrentPattern, 1);
  EXPECT_EQ(Line(7, 4), "C#2 .00.00");
  EXPECT_EQ(song().Cell(1, 2, 4).Note, 25);
  // The shortcuts typed nothing into the columns.
  EXPECT_EQ(song().Cell(1, 7, 0).Note, kEmptyNote);
}

}  // namespace
}  // namespace kelmar
