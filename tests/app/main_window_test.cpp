// The main window as the user meets it: pages, menu, check marks, the Edit menu per page,
// key preview, the close question and "Clear Song?".
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <map>
#include <tuple>

#include "app/pages/pattern_page.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

using MainWindowTest = testing::WindowTest;

TEST_F(MainWindowTest, WindowIsFixedCentredAndCaptioned) {
  EXPECT_EQ(window->objectName(), "TForm1");
  EXPECT_EQ(window->windowTitle(), "Quorin.Kelmar");
  QWidget* client = window->centralWidget();
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(client->objectName(), "PageControl2");
  EXPECT_EQ(client->size(), QSize(671, 519));
  // Not resizable: the window's smallest and largest sizes are the same.
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(window->width(), 671);
  EXPECT_GE(window->height(), 519);
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_EQ(window->font().pixelSize(), 11);
  ASSERT_NE(Find<QTimer>("Timer1"), nullptr);
  EXPECT_EQ(Find<QTimer>("Timer1")->interval(), 100);
  EXPECT_TRUE(Find<QTimer>("Timer1")->isActive());
}

TEST_F(MainWindowTest, TextBoxesAreTheThirteenInColourOrder) {
  QStringList names;
  for (QWidget* box : window->TextBoxes()) names << box->objectName();
  EXPECT_EQ(names, QStringList({"MemoAbout", "Memo0", "Memo1", "Memo2", "Memo3", "Memo4", "Memo5", "Memo6", "Memo7",
                                "Memo8", "MemoPO", "MemoC", "EditTit"}));
}

TEST_F(MainWindowTest, FourPagesInOrderWithAboutShownAtStart) {
  QTabWidget* pages = Pages();
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->count(), 4);
  const char* captions[] = {"About", "Instrument Editor", "Pattern Editor", "Song Editor"};
  const char* names[] = {"TAbout", "TInst", "TPattEd", "TOrder"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pages->tabText(i), captions[i]);
    EXPECT_EQ(pages->widget(i)->objectName(), names[i]);
  }
  EXPECT_EQ(pages->currentIndex(), 0);
}

TEST_F(MainWindowTest, FormCreateSetsTheStartState) {
  const EditorState& s = window->state();
  EXPECT_EQ(s.CurrentInstrument, 0);
  EXPECT_EQ(s.PreviewOctave, 3);
  EXPECT_EQ(s.PreviewVoice, 0);
  EXPECT_EQ(s.PreviewDetune, 0);
  EXPECT_EQ(s.EnvelopeTab, 0);
  EXPECT_EQ(s.ModulatorPage, 0);
  EXPECT_EQ(s.CurrentPattern, 0);
  EXPECT_TRUE(s.AutoIxxEffect);
  EXPECT_FALSE(window->UnsavedChanges());
  EXPECT_EQ(QString::fromStdString(s.StartFolder), QDir::currentPath());
  for (const Channel& ch : window->engine().Channels) EXPECT_EQ(ch.LRVolume, 255);
  const Song& song = window->engine().song;
  EXPECT_EQ(song.Tempo, 50);
  EXPECT_EQ(song.Speed, 6);
  EXPECT_EQ(song.Cell(255, 7, 31).Note, 127);
  EXPECT_EQ(song.Order[0x42], MakeOrderEntry(kOrderPlay, 0x42));
  EXPECT_EQ(window->settings().Title, "Songtitle");
  EXPECT_EQ(window->settings().Comment, "Songcomment");
  // Audio was left closed here, so the window shows that nothing will be heard.
  EXPECT_FALSE(window->audio().IsOpen());
  EXPECT_TRUE(Item("NoAudio1")->isVisible());
  EXPECT_FALSE(Item("NoAudio1")->isEnabled());
}

struct ItemRow {
  const char* name;
  const char* caption;
  const char* shortcut;
  bool visible;
  bool enabled;
};

TEST_F(MainWindowTest, MenuItemsCarryCaptionsShortcutsAndStartStates) {
  const ItemRow rows[] = {
      {"Song1", "Song", "", true, true},
      {"NewPattern1", "Pattern", "", true, true},
      {"Instrument1", "Instrument", "", true, true},
      {"RandomWave1", "Random Wave", "", true, true},
      {"RandomOSC2Wave1", "Random OSC&2 Wave", "", false, true},
      {"Song2", "Song", "Ctrl+O", true, true},
      {"ImportMOD1", "Import .MOD", "", true, false},
      {"LoadPattern1", "Pattern", "", true, true},
      {"Instrument2", "Instrument", "", true, true},
      {"OSC1Wave1", "OSC&1 Wave", "", false, true},
      {"OSC2Wave1", "OSC&2 Wave", "", false, true},
      {"Song3", "Song", "Ctrl+Shift+S", true, true},
      {"SaveSong1", "Song to New File", "Ctrl+S", true, true},
      {"ExportWAV1", "Export .WAV", "", true, true},
      {"SavePattern1", "Pattern", "", true, true},
      {"Instrument3", "Instrument", "", true, true},
      {"OSC1Wave2", "OSC&1 Wave", "", false, true},
      {"OSC2Wave2", "OSC&2 Wave", "", false, true},
      {"CopyTrack1", "Copy Track", "Ctrl+C", true, false},
      {"PasteTrack1", "Paste Track", "Ctrl+V", true, false},
      {"CopyInstrument1", "Copy Instrument", "Ctrl+D", true, false},
      {"PasteInstrument1", "Paste Instrument", "Ctrl+F", true, false},
      {"CopyEnvelope1", "Copy Envelope", "Ctrl+E", true, false},
      {"PasteEnvelope1", "Paste Envelope", "Ctrl+R", true, false},
      {"ClonePattern1", "Clone Pattern", "Ctrl+P", true, false},
      {"SelectAll1", "Select All", "Ctrl+A", true, false},
      {"CutBlock1", "Cut Block", "Ctrl+X", true, false},
      {"CopyBlock1", "Copy Block", "Ctrl+Shift+C", true, false},
      {"PasteBlock1", "Paste Block", "Ctrl+Shift+V", true, false},
      {"TransposeUp1", "Transpose Up", "Ctrl+Up", true, false},
      {"TransposeDown1", "Transpose Down", "Ctrl+Down", true, false},
      {"TransposeOctaveUp1", "Transpose Octave Up", "Ctrl+Shift+Up", true, false},
      {"TransposeOctaveDown1", "Transpose Octave Down", "Ctrl+Shift+Down", true, false},
      {"Interpolate1", "Interpolate", "Ctrl+I", true, false},
      {"SetInstrument1", "Set Instrument", "Ctrl+J", true, false},
      {"MuteTrack1", "Mute Track", "Ctrl+M", true, false},
      {"SoloTrack1", "Solo Track", "Ctrl+Shift+M", true, false},
      {"Song4", "Play Song", "F5", true, true},
      {"Pattern1", "Play &Pattern", "F6", true, true},
      {"PlayFromCursor1", "Play from Cursor", "F7", true, true},
      {"Stop1", "Stop", "F8", true, true},
      {"QWERTZ1", "QWERTZ", "", true, false},
      {"QWERTY1", "QWERTY", "", true, true},
      {"AutoIxxEffect1", "Auto Ixx-Effect", "", true, true},
      {"FollowSong1", "Follow Song", "", true, true},
      {"NoMIDIInput1", "No MIDI input", "", true, false},
      {"Scopes1", "Scopes", "F9", true, true},
      {"LoopPattern1", "Loop Pattern", "Ctrl+L", true, true},
      {"Record1", "Record", "Ctrl+Shift+R", true, true},
      {"RecordVelocity1", "Record Velocity", "", true, true},
      {"Quit1", "Quit", "", true, true},
  };
  for (const ItemRow& r : rows) {
    QAction* item = Item(r.name);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), r.caption) << r.name;
    EXPECT_EQ(item->shortcut(), QKeySequence(r.shortcut)) << r.name;
    EXPECT_EQ(item->isVisible(), r.visible) << r.name;
    // Qt counts a hidden item as disabled as well; only shown items have a state of their own.
    if (r.visible) {
      EXPECT_EQ(item->isEnabled(), r.enabled) << r.name;
    }
  }
  const std::map<const char*, const char*> menus = {{"New1", "&New"},
                                                    {"Load1", "&Load"},
                                                    {"Save1", "&Save"},
                                                    {"Edit1", "&Edit"},
                                                    {"Option1", "Option"},
                                                    {"SampleFreq1", "SampleFreq"},
                                                    {"Buffersize1", "Buffersize"},
                                                    {"Keyboard1", "Keyboard"},
                                                    {"EditStep1", "Edit Step"},
                                                    {"HighlightRows1", "Highlight Rows"},
                                                    {"MIDIInput1", "MIDI Input"},
                                                    {"UnsavedWork1", "Unsaved Work"}};
  for (const auto& [name, caption] : menus) {
    ASSERT_NE(Menu(name), nullptr);
    EXPECT_EQ(Menu(name)->title(), caption) << name;
  }
  // The menu bar, left to right.
  QStringList bar;
  for (QAction* a : window->menuBar()->actions()) bar << a->text();
  EXPECT_EQ(bar,
            QStringList({"&New", "&Load", "&Save", "&Edit", "Play Song", "Play &Pattern", "Play from Cursor", "Stop",
                         "Option", "Quit"}));
  EXPECT_EQ(window->menuBar()->objectName(), "MainMenu1");
}

TEST_F(MainWindowTest, ScopesItemIsCheckedWhileTheScopeWindowIsOpen) {
  Run("Scopes1");
  auto* scopes = Find<QWidget>("Scopes");
  ASSERT_NE(scopes, nullptr);
  EXPECT_TRUE(scopes->isVisible());
  EXPECT_TRUE(Item("Scopes1")->isChecked());
  scopes->close();  // by its own title bar
  EXPECT_FALSE(Item("Scopes1")->isChecked());
}

TEST_F(MainWindowTest, CheckMarksStartOnDefaultsAndStayOnePerOption) {
  auto checked = [&](const char* menu) {
    QStringList marks;
    for (QAction* a : Menu(menu)->actions())
      if (a->isChecked()) marks << a->text();
    return marks;
  };
  EXPECT_EQ(checked("SampleFreq1"), QStringList{"44100"});
  EXPECT_EQ(checked("Buffersize1"), QStringList{"4096"});
  EXPECT_EQ(checked("Keyboard1"), QStringList{"QWERTY"});
  EXPECT_EQ(checked("EditStep1"), QStringList{"1"});
  EXPECT_EQ(checked("HighlightRows1"), QStringList{"4"});
  EXPECT_TRUE(Item("AutoIxxEffect1")->isChecked());
  for (const char* off : {"LoopPattern1", "Record1", "RecordVelocity1"}) EXPECT_FALSE(Item(off)->isChecked()) << off;
  for (const char* name : {"SampleFreq22050", "SampleFreq32000", "SampleFreq44100", "SampleFreq48000"}) {
    EXPECT_EQ(Item(name)->data().toInt(), QString(name).mid(10).toInt());
  }
  for (const char* name :
       {"Buffersize128", "Buffersize256", "Buffersize512", "Buffersize1024", "Buffersize2048", "Buffersize4096"}) {
    EXPECT_EQ(Item(name)->data().toInt(), QString(name).mid(10).toInt());
  }

  Run("SampleFreq22050");
  EXPECT_EQ(checked("SampleFreq1"), QStringList{"22050"});
  EXPECT_EQ(window->engine().SampleRate, 22050);
  EXPECT_EQ(window->engine().SamplesPerTick, 22050 / 50);
  Run("Buffersize512");
  EXPECT_EQ(checked("Buffersize1"), QStringList{"512"});
  EXPECT_EQ(window->engine().BufferSize, 512);
  // Choosing the value in use keeps its mark and reopens all the same.
  Run("Buffersize512");
  EXPECT_EQ(checked("Buffersize1"), QStringList{"512"});
  Run("Buffersize128");
  EXPECT_EQ(window->engine().BufferSize, 128);
  Run("EditStepBy0");
  EXPECT_EQ(checked("EditStep1"), QStringList{"0"});
  EXPECT_EQ(window->state().EditStep, 0);
  Run("HighlightRowsOff1");
  EXPECT_EQ(checked("HighlightRows1"), QStringList{"Off"});
  EXPECT_EQ(window->state().HighlightRows, 0);
  Run("SampleFreq48000");
  EXPECT_EQ(checked("SampleFreq1"), QStringList{"48000"});
  EXPECT_EQ(window->engine().SampleRate, 48000);
  EXPECT_EQ(window->engine().SamplesPerTick, 48000 / 50);
  // The reopen opened the test's dummy device, and the window no longer warns.
  EXPECT_TRUE(window->audio().IsOpen());
  EXPECT_FALSE(Item("NoAudio1")->isVisible());
  // The keyboard layout cannot be changed.
  Run("QWERTY1");
  EXPECT_EQ(checked("Keyboard1"), QStringList{"QWERTY"});
}

TEST_F(MainWindowTest, SampleRateUsesTheSongTempoNotTheCurrentOne) {
  {
    EngineLock lock(window->engine());
    window->engine().song.Tempo = 60;
    window->engine().CurTempo = 99;
  }
  Run("SampleFreq32000");
  EXPECT_EQ(window->engine().SamplesPerTick, 32000 / 60);
  Engine fresh;
  fresh.SampleRate = 32000;
  fresh.BuildFreqTable();
  EXPECT_EQ(window->engine().FreqTable, fresh.FreqTable);
}

TEST_F(MainWindowTest, AutoIxxEffectTogglesAndIsCopied) {
  QAction* item = Item("AutoIxxEffect1");
  item->trigger();
  EXPECT_FALSE(item->isChecked());
  EXPECT_FALSE(window->state().AutoIxxEffect);
  item->trigger();
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(window->state().AutoIxxEffect);
}

TEST_F(MainWindowTest, EditMenuFollowsThePage) {
  QAction* edit = Menu("Edit1")->menuAction();
  const QStringList all = {"CopyTrack1",    "PasteTrack1",    "CopyInstrument1", "PasteInstrument1",
                           "CopyEnvelope1", "PasteEnvelope1", "ClonePattern1"};
  auto visibleItems = [&] {
    QStringList v;
    for (const QString& name : all)
      if (Item(name.toLatin1().constData())->isVisible()) v << name;
    return v;
  };
  // At start: disabled, everything visible.
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_EQ(visibleItems(), all);

  ShowPage(1);
  EXPECT_TRUE(edit->isEnabled());
  EXPECT_EQ(visibleItems(), QStringList({"CopyInstrument1", "PasteInstrument1", "CopyEnvelope1", "PasteEnvelope1"}));

  ShowPage(2);
  EXPECT_TRUE(edit->isEnabled());
  EXPECT_EQ(visibleItems(), QStringList({"CopyTrack1", "PasteTrack1", "ClonePattern1"}));

  ShowPage(3);
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_TRUE(visibleItems().isEmpty());

  ShowPage(1);
  EXPECT_EQ(visibleItems().size(), 4);
  ShowPage(0);
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_TRUE(visibleItems().isEmpty());
}

TEST_F(MainWindowTest, EditShortcutsActOnlyWhereTheirItemsAreShown) {
  ShowActive();
  QSignalSpy copyInstrument(Item("CopyInstrument1"), &QAction::triggered);
  QSignalSpy clonePattern(Item("ClonePattern1"), &QAction::triggered);
  // Right after start the Edit menu cannot be opened, so Ctrl+D does nothing.
  QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(copyInstrument.count(), 0);

  ShowPage(1);
  QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(copyInstrument.count(), 1);
  // Hidden items keep their shortcuts to themselves.
  QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(clonePattern.count(), 0);

  ShowPage(2);
  QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(clonePattern.count(), 1);
  QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(copyInstrument.count(), 1);
}

// The block keys in a track column of the real window: Shift+Down selects (drawn inverted),
// the Edit menu's shortcuts act on the selection as one undo step each, Ctrl+M dims a track.
TEST_F(MainWindowTest, BlockKeysInATrackColumn) {
  ShowActive();
  ShowPage(2);
  QWidget* memo = window->patternPage().Memo(1);
  QTest::keyClicks(memo, "zxc");
  window->state().TrackCursors[0].CursorRow = 0;
  window->patternPage().RefreshPatternView();
  QTest::keyClick(memo, Qt::Key_Down, Qt::ShiftModifier);
  // The selection among the column's marks (beat rows, the cursor's cell): the one in colours of its own.
  auto selected = [&] {
    QList<QTextEdit::ExtraSelection> marks = window->patternPage().Memo(1)->extraSelections();
    marks.removeIf(
        [](const QTextEdit::ExtraSelection& m) { return !m.format.hasProperty(QTextFormat::ForegroundBrush); });
    return marks;
  };
  const QList<QTextEdit::ExtraSelection> drawn = selected();
  ASSERT_EQ(drawn.size(), 1);
  EXPECT_EQ(drawn[0].cursor.selectedText(), QString("C-0 I00.00") + QChar::ParagraphSeparator + "D-0 I00.00");
  EXPECT_EQ(drawn[0].format.background().color(), window->patternPage().Memo(1)->palette().color(QPalette::Text));
  QTest::keyClick(memo, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Item("Undo1")->text(), "Undo Transpose Octave Up");
  const Song& song = window->engine().song;
  EXPECT_EQ(std::make_tuple(song.Cell(0, 0, 0).Note, song.Cell(0, 0, 1).Note, song.Cell(0, 0, 2).Note),
            std::make_tuple(12, 14, 4));
  QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(memo, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(memo, Qt::Key_Escape);
  EXPECT_TRUE(selected().isEmpty());
  QTest::keyClick(Focused(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(song.Cell(0, 1, 1).Note, 12);
  QApplication::clipboard()->setText("not a block");
  Answer(MessageBoxes::Answer::Ok);
  QTest::keyClick(Focused(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window->messages().Shown().back(), "The clipboard holds no pattern block.");
  EXPECT_EQ(Item("Undo1")->text(), "Undo Paste Block");
  QTest::keyClick(Focused(), Qt::Key_M, Qt::ControlModifier);
  EXPECT_EQ(window->engine().MutedTracks, 0x02);
  EXPECT_NE(window->patternPage().Memo(2)->palette().color(QPalette::Text),
            window->patternPage().Memo(1)->palette().color(QPalette::Text));
}

TEST_F(MainWindowTest, MenuShortcutsComeBeforeTheFocusedTextBox) {
  ShowActive();
  ShowPage(2);
  // A text box on the page would take Ctrl+C as "copy text" if the menu did not come first.
  auto* box = new QPlainTextEdit(&window->patternPage());
  box->setPlainText("C-3");
  box->show();
  box->setFocus();
  box->selectAll();
  QSignalSpy copyTrack(Item("CopyTrack1"), &QAction::triggered);
  QSignalSpy play(Item("Song4"), &QAction::triggered);
  QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(copyTrack.count(), 1);
  QTest::keyClick(box, Qt::Key_F5);
  EXPECT_EQ(play.count(), 1);
  // Keys that are no shortcut still reach the box.
  QTest::keyClick(box, Qt::Key_End);
  QTest::keyClick(box, Qt::Key_X);
  EXPECT_EQ(box->toPlainText(), "C-3x");
}

// A menu closed without a command gives the keyboard back: the next letters are notes, not
// the menu bar's.
TEST_F(MainWindowTest, AClosedMenuGivesTheKeyboardBack) {
  ShowActive();
  ShowPage(2);
  QWidget* track = window->patternPage().Memo(1);
  track->setFocus();
  QMenuBar* bar = window->menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(Menu("Save1")->menuAction()).center());
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
  QCoreApplication::processEvents();
  // The window's own focus: offscreen, the closed menu stays the active window.
  QTest::keyClicks(window->focusWidget(), "zxn");
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "n opened a menu";
  EXPECT_EQ(window->focusWidget(), track);
  EXPECT_EQ(window->patternPage().Memo(1)->toPlainText().left(36).toStdString(), "C-0 I00.00\nD-0 I00.00\nA-0 I00.00\n...");
}

TEST_F(MainWindowTest, KeyPreviewSeesEachKeyOnceBeforeTheControl) {
  ShowActive();
  ShowPage(2);
  // A control that ignores keys: the key then travels up its parents, yet counts once.
  auto* control = new QWidget(&window->patternPage());
  control->setFocusPolicy(Qt::StrongFocus);
  control->show();
  control->setFocus();
  const int before = window->PreviewedKeyCount();
  QTest::keyClick(control, Qt::Key_Q);
  EXPECT_EQ(window->PreviewedKeyCount(), before + 1);
  QTest::keyClick(control, Qt::Key_Q);
  EXPECT_EQ(window->PreviewedKeyCount(), before + 2);
  // Menu shortcuts are matched first and never reach the key handler.
  QTest::keyClick(control, Qt::Key_F8);
  EXPECT_EQ(window->PreviewedKeyCount(), before + 2);
}

TEST_F(MainWindowTest, InstrumentKeysThroughKeyPreviewUseVoicesInTurn) {
  ShowActive();
  ShowPage(1);
  Engine& engine = window->engine();
  window->state().CurrentInstrument = 5;
  for (int k = 0; k < 8; ++k) QTest::keyClick(window.get(), Qt::Key_Z);
  for (int ch = 0; ch < 8; ++ch) {
    EXPECT_EQ(engine.Channels[ch].Instrument, 5) << ch;
    EXPECT_EQ(engine.Channels[ch].Semitone, 0) << ch;
    EXPECT_EQ(engine.Channels[ch].Octave, 3) << ch;
  }
  // The ninth note wraps round to voice 0.
  window->state().CurrentInstrument = 6;
  QTest::keyClick(window.get(), Qt::Key_Z);
  EXPECT_EQ(engine.Channels[0].Instrument, 6);
  EXPECT_EQ(engine.Channels[1].Instrument, 5);
  EXPECT_EQ(window->state().PreviewVoice, 9);
  // With a detune each key takes two voices in turn, the second one detuned.
  window->state().PreviewDetune = 3;
  window->state().CurrentInstrument = 7;
  QTest::keyClick(window.get(), Qt::Key_Z);
  EXPECT_EQ(engine.Channels[1].Instrument, 7);
  EXPECT_EQ(engine.Channels[1].Detune, 0);
  EXPECT_EQ(engine.Channels[2].Instrument, 7);
  EXPECT_EQ(engine.Channels[2].Detune, 3);
  EXPECT_EQ(engine.Channels[3].Instrument, 5);
}

TEST_F(MainWindowTest, CloseAsksEveryTimeAndNoKeepsEverything) {
  ShowActive();
  ShowPage(1);
  {
    EngineLock lock(window->engine());
    window->engine().song.Instruments[3].Filter = 77;
  }
  Answer(MessageBoxes::Answer::No);
  Run("Quit1");
  EXPECT_TRUE(window->isVisible());
  ASSERT_EQ(window->messages().Shown(), QStringList{"Unsaved changes will be lost. Quit KELMAR?"});
  EXPECT_EQ(window->engine().song.Instruments[3].Filter, 77);
  EXPECT_EQ(Pages()->currentIndex(), 1);

  // The title bar's close button asks the same, even with nothing edited.
  Answer(MessageBoxes::Answer::No);
  EXPECT_FALSE(window->close());
  EXPECT_EQ(window->messages().Shown().size(), 2);

  Answer(MessageBoxes::Answer::Yes);
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->messages().Shown().size(), 3);
}

TEST_F(MainWindowTest, ClearSongAnsweredNoThenYes) {
  Engine& engine = window->engine();
  window->state().CurrentInstrument = 5;
  window->state().CurrentPattern = 9;
  {
    EngineLock lock(engine);
    engine.song.Instruments[5].SrcOsc1Amp = 40;
    engine.song.SynthMode[5] = 1;
    engine.song.Cell(9, 2, 3).Note = 40;
    engine.song.Order[1] = MakeOrderEntry(kOrderStop, 0);
    engine.song.Tempo = 80;
  }
  window->settings().Title = "Mine";
  window->StepDone("Title");

  Answer(MessageBoxes::Answer::No);
  Run("Song1");
  EXPECT_EQ(window->messages().Shown().last(), "Clear Song?");
  EXPECT_EQ(engine.song.Instruments[5].SrcOsc1Amp, 40);
  EXPECT_EQ(engine.song.Tempo, 80);
  EXPECT_EQ(window->settings().Title, "Mine");
  EXPECT_TRUE(window->UnsavedChanges());

  Answer(MessageBoxes::Answer::Yes);
  Run("Song1");
  EXPECT_EQ(engine.song.Instruments[5].SrcOsc1Amp, 0);
  EXPECT_EQ(engine.song.SynthMode[5], 0);
  EXPECT_EQ(engine.song.Cell(9, 2, 3).Note, 127);
  EXPECT_EQ(engine.song.Order[1], MakeOrderEntry(kOrderPlay, 1));
  EXPECT_EQ(engine.song.Tempo, 50);
  EXPECT_EQ(engine.song.Speed, 6);
  EXPECT_EQ(window->settings().Title, "Songtitle");
  EXPECT_EQ(window->settings().Comment, "Songcomment");
  auto* title = Find<QLineEdit>("EditTit");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text(), "Songtitle");
  // The editors stay where they were.
  EXPECT_EQ(window->state().CurrentInstrument, 5);
  EXPECT_EQ(window->state().CurrentPattern, 9);
  EXPECT_FALSE(window->UnsavedChanges());
}

// The real boxes: caption, icon and buttons, answered by a click once the box is up.
template <typename Check>
void AnswerNextBox(Check check) {
  QTimer::singleShot(0, [check] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    check(box);
  });
}

TEST_F(MainWindowTest, RealBoxesAreCaptionedWithIconsAndButtons) {
  window->state().CurrentInstrument = 1;
  AnswerNextBox([](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle(), "Quorin.KELMAR");
    EXPECT_EQ(box->text(), "Clear Song?");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    box->button(QMessageBox::Yes)->click();
  });
  {
    EngineLock lock(window->engine());
    window->engine().song.Speed = 9;
  }
  Run("Song1");
  EXPECT_EQ(window->engine().song.Speed, 6);

  AnswerNextBox([](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle(), "Quorin.KELMAR");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->informativeText(), "/songs/x.sng") << "the file the message is about";
    box->button(QMessageBox::Ok)->click();
  });
  window->messages().Error("No Kelmar Song", "/songs/x.sng");

  // The close question belongs to no window.
  AnswerNextBox([](QMessageBox* box) {
    EXPECT_EQ(box->text(), "Unsaved changes will be lost. Quit KELMAR?");
    EXPECT_EQ(box->parentWidget(), nullptr);
    box->button(QMessageBox::No)->click();
  });
  EXPECT_FALSE(window->close());
}

// These two start a window of their own that opens the sound device.
using MainWindowAudio = testing::WindowTest;

TEST_F(MainWindowAudio, StartsWithoutADeviceAndPreviewsReturn) {
  const QByteArray saved = qgetenv("SDL_AUDIODRIVER");
  qputenv("SDL_AUDIODRIVER", "no-such-driver");
  StartWindow({.openAudio = true});
  EXPECT_FALSE(window->audio().IsOpen());
  EXPECT_TRUE(Item("NoAudio1")->isVisible());
  EXPECT_EQ(window->windowTitle(), "Quorin.Kelmar");
  EXPECT_TRUE(window->messages().Shown().isEmpty());  // no box at start-up
  {
    EngineLock lock(window->engine());
    window->engine().TriggerNote(0, 0, 0, 3, 0, true, true);  // returns at once: nothing to wait for
  }
  window.reset();
  qputenv("SDL_AUDIODRIVER", saved);
}

TEST_F(MainWindowAudio, OpensTheDeviceAndClosesItOnDestruction) {
  StartWindow({.openAudio = true});
  ASSERT_TRUE(window->audio().IsOpen());
  EXPECT_FALSE(Item("NoAudio1")->isVisible());
  const uint64_t start = window->audio().CallbackCount();
  QDeadlineTimer deadline(10000);
  while (window->audio().CallbackCount() == start && !deadline.hasExpired()) QTest::qWait(5);
  EXPECT_GT(window->audio().CallbackCount(), start);
  window.reset();  // FormDestroy closes the stream; a callback afterwards would touch freed memory
}

}  // namespace
}  // namespace kelmar
