// keys.conf and the key map: what a file's lines give and leave out, the defaults and the
// presets, and the window taking a file's keys.
#include <gtest/gtest.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/keys/key_bindings.h"
#include "app/keys/key_presets.h"
#include "app/keys/key_rules.h"
#include "app/keys/keys_dialog.h"
#include "app/pages/pattern_page.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

// "Edit > Clone Pattern: Ctrl+G" for each target the text changes, and the lines ignored.
std::string Read(const std::string& text) {
  const ReadKeys read = BindingsOfText(ParseKeysText(text));
  std::string out;
  for (const KeyOverride& binding : read.bindings.Overrides()) {
    out += binding.path + ":";
    for (const std::string& key : binding.keys) out += " " + key;
    out += "\n";
  }
  for (const QString& line : read.ignored) out += line.toStdString() + "\n";
  return out;
}

TEST(KeysFile, LinesGiveKeysOrAreIgnoredWithWhy) {
  const struct {
    const char* text;
    const char* read;
  } cases[] = {
      {"# nothing\n\n   \n", ""},
      {"Edit > Clone Pattern = Ctrl+G", "Edit > Clone Pattern: Ctrl+G\n"},
      {" edit>clone pattern=Ctrl+G # mine\r\n", "Edit > Clone Pattern: Ctrl+G\n"},
      {"Play Song = F5\nPlay Song = Ctrl+Return", "Play Song: F5 Ctrl+Return\n"},
      {"Edit > Mute Track =", "Edit > Mute Track:\n"},
      {"Option > Scopes = Ctrl+#", "Option > Scopes: Ctrl+#\n"},
      {"Piano > C-0 = KeyA\nPiano > Octave 3 = Alt+3", "Piano > C-0: KeyA\nPiano > Octave 3: Alt+3\n"},
      {"Play Song = ControlRight", "Play Song: ControlRight\n"},
      {"Edit > Clone Patern = Ctrl+G", "line 1: no command is named \"Edit > Clone Patern\"\n"},
      {"Play Song = Ctrl+Q+", "line 1: \"Ctrl+Q+\" is not a key\n"},
      {"Play Song F5\n= F5", "line 1: no \"=\" between a command and its key\nline 2: no command before \"=\"\n"},
      {"Stop = Space", "line 1: Space types a blank, which erases an effect in the pattern editor\n"},
      {"Stop = Alt+Tab\nStop = Meta+S",
       "line 1: the desktop usually takes Alt+Tab\nline 2: the desktop usually takes Meta+S\n"},
      {"Stop = Alt+E", "line 1: Alt+E is the menu bar's key for Edit\n"},
      {"Stop = KeyA\nPiano > C-0 = Ctrl+A",
       "line 1: a place such as KeyA is only for note keys\n"
       "line 2: a note key is a place of the typing keys, such as KeyZ\n"},
      {"Stop = Ctrl+K\nStop = Ctrl+K", "Stop: Ctrl+K\nline 2: repeats line 1\n"},
      // A key another command of the page has: that line keeps its command's defaults.
      {"Edit > Clone Pattern = Ctrl+C",
       "line 1: Ctrl+C is already the key of Edit > Copy Track on the Pattern Editor page\n"},
      {"Edit > Clone Pattern = Ctrl+C\nEdit > Copy Track = Ctrl+K",
       "Edit > Copy Track: Ctrl+K\nEdit > Clone Pattern: Ctrl+C\n"},
      {"Stop = Ctrl+K\nPlay Song = Ctrl+K",
       "line 1: Ctrl+K is also given to Play Song on line 2\n"
       "line 2: Ctrl+K is also given to Stop on line 1\n"},
      // Pages apart, one key serves two commands.
      {"Edit > Copy Instrument = Ctrl+C", "Edit > Copy Instrument: Ctrl+C\n"},
      {"Piano > C-0 = KeyS",
       "line 1: KeyS is already the key of Piano > C#0 on the Instrument and Pattern Editor pages\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.text), c.read) << c.text;
}

TEST(KeysFile, DefaultsAndPresetsWriteAndReadBackWithoutAClash) {
  QTemporaryDir folder;
  const QString file = folder.filePath("config/kelmar/keys.conf");
  for (const KeyPreset& preset : KeyPresets()) {
    const KeyBindings bindings = BindingsOfPreset(preset);
    for (size_t t = 0; t < KeyTargets().size(); ++t) {
      for (const BoundKey& key : bindings.KeysOf(static_cast<int>(t))) {
        EXPECT_EQ(bindings.HolderOf(key, static_cast<int>(t)), -1) << preset.name << ": " << key.Text().toStdString();
        EXPECT_TRUE(RefusalOf(KeyTargets()[t], key).isEmpty()) << preset.name << ": " << key.Text().toStdString();
      }
    }
    ASSERT_FALSE(SaveKeyBindings(bindings, file));
    const ReadKeys read = LoadKeyBindings(file);
    EXPECT_TRUE(read.ignored.isEmpty()) << preset.name << read.ignored.join("; ").toStdString();
    EXPECT_TRUE(read.bindings == bindings) << preset.name;
  }
  // The defaults write no line, and give the note keys and octave keys the editors had.
  EXPECT_TRUE(KeyBindings().Overrides().empty());
  const NoteKeys notes = KeyBindings().NoteKeysForEditors();
  EXPECT_EQ(notes.pianoAt, DefaultNoteKeys().pianoAt);
  ASSERT_EQ(notes.octaveKeys.size(), 8u);
  for (const OctaveKey& key : DefaultNoteKeys().octaveKeys) {
    PlatformKey press;
    press.Key = key.combined & ~Qt::KeyboardModifierMask;
    press.Shift = key.combined & Qt::ShiftModifier;
    EXPECT_EQ(OctaveOfKey(press, notes), key.octave);
  }
  EXPECT_EQ(LoadKeyBindings(folder.filePath("none.conf")).ignored, QStringList());
}

class KeysInWindowTest : public testing::WindowTest {
 protected:
  void StartWithKeys(const char* text) {
    QFile file(folder_.filePath("keys.conf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    window->UseKeysFile(file.fileName());
    ShowActive();
    ShowPage(2);
  }
  QPlainTextEdit* Memo(int track) { return window->patternPage().Memo(track + 1); }
  QTemporaryDir folder_;
};

TEST_F(KeysInWindowTest, AFilesKeysReplaceTheDefaultsAndTheLinesLeftOutAreListed) {
  StartWithKeys("Edit > Clone Pattern = Ctrl+G\nPlay Song = Ctrl+Q+\n");
  window->engine().song.Cell(0, 0, 0).Note = 30;
  EXPECT_EQ(Item("ClonePattern1")->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+G")});
  QTest::keyClick(Memo(0), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(window->state().CurrentPattern, 0);
  QTest::keyClick(Memo(0), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(window->state().CurrentPattern, 1);
  EXPECT_EQ(window->engine().song.Cell(1, 0, 0).Note, 30);
  QMenu* ignored = Menu("KeysIgnored1");
  EXPECT_EQ(ignored->title(), "keys.conf: 1 line ignored");
  EXPECT_EQ(ignored->actions().front()->text(), "line 2: \"Ctrl+Q+\" is not a key");
}

TEST_F(KeysInWindowTest, AMovedNoteKeyEntersItsNoteAndItsOldPlaceWhatItIsNow) {
  StartWithKeys("Piano > C-0 = KeyA\nPiano > C#0 = KeyZ\n");
  EXPECT_FALSE(Menu("KeysIgnored1")->menuAction()->isVisible());
  window->state().EntryOctave = 2;
  QTest::keyClicks(Memo(0), "a");  // C-0's new place
  QTest::keyClicks(Memo(0), "z");  // C-0's old place, now C#0's
  QTest::keyClicks(Memo(0), "s");  // C#0's old place: nothing
  const Song& song = window->engine().song;
  EXPECT_EQ(std::make_tuple(song.Cell(0, 0, 0).Note, song.Cell(0, 0, 1).Note, song.Cell(0, 0, 2).Note),
            std::make_tuple(24, 25, kEmptyNote));
  // The dialog's capture takes the key under the selected row, refusing one another row has.
  KeysDialog dialog(window->keys(), window.get());
  dialog.SelectTarget(TargetOfPath("Stop"));
  dialog.Capture(*BoundKey::FromText("F5"));
  EXPECT_EQ(dialog.bindings().KeysOf(TargetOfPath("Stop")).front().Text().toStdString(), "F8");
  QTest::mouseClick(dialog.findChild<QPushButton*>("KeysSwap"), Qt::LeftButton);
  EXPECT_EQ(dialog.bindings().KeysOf(TargetOfPath("Stop")).front().Text().toStdString(), "F5");
  EXPECT_EQ(dialog.bindings().KeysOf(TargetOfPath("Play Song")).front().Text().toStdString(), "F8");
  // From the keyboard: Down walks the rows, Enter takes the next key, then the list has the keys again.
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  QWidget* table = dialog.findChild<QWidget*>("KeysTable");
  table->setFocus();
  QTest::keyClick(table, Qt::Key_Down);
  QTest::keyClick(Focused(), Qt::Key_Return);
  QTest::keyClick(Focused(), Qt::Key_F12);
  EXPECT_EQ(Focused(), table);
  EXPECT_EQ(dialog.bindings().KeysOf(TargetOfPath("Stop") + 1).front().Text().toStdString(), "F12");
  // The laptop preset's octave keys take over from F1..F4 at once.
  window->ApplyKeys(BindingsOfPreset(KeyPresets()[3]));
  QTest::keyClick(Memo(0), Qt::Key_5, Qt::AltModifier);
  QTest::keyClick(Memo(0), Qt::Key_F1);
  EXPECT_EQ(window->state().EntryOctave, 5);
}

}  // namespace
}  // namespace kelmar
