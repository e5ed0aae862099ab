// The window's "Export .WAV" and kelmar-render write the same bytes for the same song from a
// freshly started program, at the default settings and at other rates and buffer sizes; so do
// "Export Audio..." and kelmar-render in FLAC.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "../tools_test_util.h"
#include "app/export/audio_export.h"
#include "app/window_fixture.h"
#include "files/song_file.h"
#include "files/wav_file.h"

namespace kelmar {
namespace {

using tooltest::Quote;
using tooltest::ReadAll;
using tooltest::RunCommand;
using tooltest::ScratchDir;
using tooltest::StarterSong;

class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~CurrentFolder() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

// A fresh window (no sound device, so the tick clock stands where a fresh program has it),
// the options chosen from its menu, the song loaded, then the command.
std::vector<uint8_t> ExportFromWindow(const std::string& song, int rate, int buffer, const ScratchDir& dir,
                                      const std::function<std::string(testing::Window&)>& command = {}) {
  CurrentFolder here(dir.path());
  testing::Window w;
  w.StartWindow();
  MainWindow& window = *w.window;
  // What the options' reopen does to the engine, without opening a device whose running
  // callback would move the tick clock.
  ConfigureFreshEngine(window.engine(), static_cast<uint16_t>(rate), static_cast<uint16_t>(buffer));
  EXPECT_EQ(rate, window.engine().SampleRate);
  EXPECT_EQ(buffer, window.engine().BufferSize);
  // What the load command does once its questions are answered.
  window.engine().StopPlayback();
  EXPECT_TRUE(LoadSongFile(song, window.engine().song, window.settings()).ok());
  if (command) return ReadAll(command(w));
  w.Run("ExportWAV1");
  return ReadAll(dir.File("outfile.wav"));
}

// The dialog filled in as a user would: a name, then FLAC (which gives the name its suffix).
std::string ExportFlacThroughTheDialog(testing::Window& w, const std::string& name) {
  QString shown;
  w.window->audioExport().SetDialogHook([&](AudioExportDialog& dialog) {
    dialog.findChild<QLineEdit*>("ExportFile")->setText(QString::fromStdString(name + ".wav"));
    auto* format = dialog.findChild<QComboBox*>("ExportFormat");
    format->setCurrentIndex(format->findText("FLAC"));
    QTest::mouseClick(dialog.findChild<QPushButton*>("ExportButton"), Qt::LeftButton);
    shown = dialog.findChild<QLabel*>("ExportResult")->text();
    dialog.reject();
  });
  w.Run("ExportAudio1");
  EXPECT_TRUE(shown.startsWith("Wrote ") && shown.contains(" LUFS, peak ")) << shown.toStdString();
  return name + ".flac";
}

TEST(ExportMatchesRender, StarterSongsAtDefaultSettings) {
  for (const char* name : {"morning-circuit.sng", "glass-harbour.sng"}) {
    ScratchDir dir;
    const auto gui = ExportFromWindow(StarterSong(name), 44100, 4096, dir);
    const auto ran = RunCommand(std::string(KELMAR_RENDER_BIN) + " " + Quote(StarterSong(name)) + " -o " +
                                Quote(dir.File("cli.wav")));
    ASSERT_EQ(0, ran.status) << ran.output;
    const auto cli = ReadAll(dir.File("cli.wav"));
    ASSERT_GT(gui.size(), 44u + 16384) << name;
    EXPECT_TRUE(gui == cli) << name << ": " << gui.size() << " vs " << cli.size() << " bytes";
  }
}

TEST(ExportMatchesRender, OtherRateAndBufferSize) {
  ScratchDir dir;
  const auto gui = ExportFromWindow(StarterSong("neon-run.sng"), 22050, 1024, dir);
  const auto ran = RunCommand(std::string(KELMAR_RENDER_BIN) + " " + Quote(StarterSong("neon-run.sng")) +
                              " --rate 22050 --buffer 1024 -o " + Quote(dir.File("cli.wav")));
  ASSERT_EQ(0, ran.status) << ran.output;
  const auto cli = ReadAll(dir.File("cli.wav"));
  ASSERT_GT(gui.size(), 44u);
  EXPECT_EQ(22050u, tooltest::Le32(gui, 24));
  EXPECT_TRUE(gui == cli) << gui.size() << " vs " << cli.size() << " bytes";
}

// Equal bytes, so equal samples: the same encoder gets the same samples and tags.
TEST(ExportMatchesRender, ExportAudioDialogWritesTheFlacOfTheRenderer) {
  ScratchDir dir;
  const auto gui = ExportFromWindow(StarterSong("glass-harbour.sng"), 44100, 4096, dir, [&](testing::Window& w) {
    return ExportFlacThroughTheDialog(w, dir.File("gui"));
  });
  const auto ran = RunCommand(std::string(KELMAR_RENDER_BIN) + " " + Quote(StarterSong("glass-harbour.sng")) +
                              " -o " + Quote(dir.File("cli.flac")));
  ASSERT_EQ(0, ran.status) << ran.output;
  ASSERT_GT(gui.size(), 100000u);
  EXPECT_TRUE(gui == ReadAll(dir.File("cli.flac"))) << gui.size() << " bytes";
}

}  // namespace
}  // namespace kelmar
