// The instrument browser on the real window: hearing an instrument while the song plays
// changes nothing and takes no song voice; loading from it is Load > Instrument.
#include "app/browser/instrument_browser.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/browser/audition_player.h"
#include "app/file_commands.h"
#include "audio/audio_test_util.h"
#include "files/instrument_file.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

std::vector<uint8_t> Bytes(const Song& song) {
  const auto* at = reinterpret_cast<const uint8_t*>(&song);
  return {at, at + sizeof song};
}

class InstrumentBrowserTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    bell_.VolEnv = Envelope{255, 0, 0, 0, 0, 255, 255, 255, 255};
    bell_.SrcOsc1Amp = bell_.DstOsc1Amp = 100;
    ASSERT_TRUE(SaveInstrumentFile(Path("bell.kli"), bell_, 0).ok());
    window->UseLibrary(folder_.filePath("library"), folder_.filePath("added"));
    browser().AddFolder(folder_.path());
  }
  std::string Path(const char* name) const { return folder_.filePath(name).toStdString(); }
  InstrumentBrowser& browser() { return window->instrumentBrowser(); }
  QTreeWidget* tree() { return browser().findChild<QTreeWidget*>("BrowserTree"); }
  void HighlightFile(const std::string& path) {
    for (QTreeWidgetItemIterator it(tree()); *it; ++it) {
      tree()->setCurrentItem(*it);
      if (browser().Highlighted() && browser().Highlighted()->path == path) return;
    }
    FAIL() << path << " is not listed";
  }
  std::vector<uint8_t> Buffer() {
    std::vector<uint8_t> out(4 * window->engine().BufferSize);
    AudioOutput::Callback(&window->audio(), out.data(), static_cast<int>(out.size()));
    return out;
  }

  QTemporaryDir folder_;
  Instrument bell_{};
};

TEST_F(InstrumentBrowserTest, AuditionChangesNothingAndTakesNoVoiceOfThePlayingSong) {
  Engine& engine = window->engine();
  test::MakeSoundingSong(engine.song);
  Run("Song4");
  Engine reference;  // the same song, heard without the audition
  reference.song = engine.song;
  reference.StartPlayback(0, 0, 0);
  const std::vector<uint8_t> songBytes = Bytes(engine.song);
  const QString undo = Item("Undo1")->text();
  const bool unsaved = window->UnsavedChanges();
  window->state().CurrentInstrument = 3;

  HighlightFile(Path("bell.kli"));
  EXPECT_TRUE(window->auditionPlayer().Waiting());  // nothing before the pause
  window->auditionPlayer().PlayHighlighted();
  Audition alone;  // what the preview voice plays by itself
  alone.Play(bell_, 0, 0, window->state().PreviewOctave, engine.SampleRate, engine.SamplesPerTick);
  bool heard = false;
  for (int b = 0; b < 6; ++b) {
    std::vector<uint8_t> song(4 * engine.BufferSize), voice(song.size(), 0);
    reference.RenderBuffer(song.data());
    alone.MixInto(voice.data(), engine.BufferSize);
    const std::vector<uint8_t> mixed = Buffer();
    for (size_t i = 0; i < song.size(); i += 2) {
      const int sum = static_cast<int16_t>(song[i] | song[i + 1] << 8) + static_cast<int16_t>(voice[i] | voice[i + 1] << 8);
      const int16_t expected = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
      ASSERT_EQ(static_cast<int16_t>(mixed[i] | mixed[i + 1] << 8), expected) << "buffer " << b << " byte " << i;
      heard = heard || voice[i] != 0;
    }
  }
  EXPECT_TRUE(heard);
  EXPECT_EQ(Bytes(engine.song), songBytes);
  EXPECT_EQ(window->state().CurrentInstrument, 3);
  EXPECT_EQ(Item("Undo1")->text(), undo);
  EXPECT_EQ(window->UnsavedChanges(), unsaved);

  // Muted, the preview is silent and the song plays on alone.
  browser().findChild<QCheckBox*>("BrowserMute")->setChecked(true);
  window->auditionPlayer().PlayHighlighted();
  std::vector<uint8_t> song(4 * engine.BufferSize);
  reference.RenderBuffer(song.data());
  EXPECT_EQ(Buffer(), song);
}

TEST_F(InstrumentBrowserTest, LoadingIsOneStepEqualToLoadInstrument) {
  window->state().CurrentInstrument = 5;
  window->fileCommands().SetDialogHook([&](const FileDialogRequest&) { return folder_.filePath("bell.kli"); });
  Run("Instrument2");
  const std::vector<uint8_t> loaded = Bytes(window->engine().song);
  EXPECT_EQ(Item("Undo1")->text(), "Undo Load Instrument");
  Run("Undo1");
  ASSERT_NE(Bytes(window->engine().song), loaded);

  HighlightFile(Path("bell.kli"));
  QTest::keyClick(tree(), Qt::Key_Return);
  EXPECT_EQ(Bytes(window->engine().song), loaded);
  EXPECT_EQ(Item("Undo1")->text(), "Undo Load Instrument");
  Run("Undo1");
  EXPECT_FALSE(window->UnsavedChanges());
  EXPECT_FALSE(Item("Undo1")->isEnabled());
}

// The Load > Instrument dialog hears the file highlighted in it, unless Preview in Dialogs is off.
TEST_F(InstrumentBrowserTest, TheInstrumentDialogPreviewsWhatIsHighlighted) {
  for (const bool preview : {true, false}) {
    if (Item("PreviewInDialogs1")->isChecked() != preview) Item("PreviewInDialogs1")->trigger();
    bool waited = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      emit dialog->currentChanged(folder_.filePath("bell.kli"));
      waited = window->auditionPlayer().Waiting();
      dialog->reject();
    });
    Run("Instrument2");
    EXPECT_EQ(waited, preview);
    EXPECT_FALSE(window->auditionPlayer().Waiting());
  }
}

}  // namespace
}  // namespace kelmar
