// "Export .WAV" through the real main window: the menu item, the pages hidden while it
// renders, the progress dialog and its Cancel, failures, and the same bytes as the
// Qt-free export of a fresh engine. "Export Audio...": its dialog's choices, Cancel, and
// the question before a file is replaced.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "app/export/audio_export.h"
#include "app/export/wav_export.h"
#include "app/message_box.h"
#include "files/wav_file.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Two patterns of notes on three tracks, then "S".
void FillSong(Song& song) {
  Instrument& ins = song.Instruments[1];
  ins = Instrument{};
  ins.SrcOsc1Amp = 16;
  ins.SrcOsc1Wave = 0x12;
  ins.DstOsc1Amp = 16;
  ins.DstOsc1Wave = 0x13;
  ins.VolEnv = Envelope{3, 20, 0, 0, 0, 255, 80, 0, 0};
  ins.SweepEnv = Envelope{20, 0, 0, 0, 0, 255, 0, 0, 0};
  for (int p = 0; p < 2; ++p)
    for (int row = 0; row < 32; row += 4)
      for (int t : {0, 4, 7})
        song.Cell(p, t, row) = PatternCell{static_cast<uint8_t>(40 + t + row / 4), 0x21, 1,
                                           static_cast<uint8_t>(t == 7 ? 0xF3 : 0xFF)};
  song.Order[2] = MakeOrderEntry(kOrderStop, 0);
}

class WavExportTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    old_ = std::filesystem::current_path();
    std::string templ = (std::filesystem::temp_directory_path() / "kelmar-export-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    std::filesystem::current_path(dir_);
    WindowTest::SetUp();  // the window starts in the scratch folder
  }
  void TearDown() override {
    WindowTest::TearDown();
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  WavExport& Export() { return *FindExport(); }
  // The window's own command object is reached through its menu item; tests that need the
  // seams make their own on the window's context.
  WavExport* FindExport() {
    if (!own_) own_ = std::make_unique<WavExport>(window->context(), window.get());
    return own_.get();
  }

  std::filesystem::path old_, dir_;
  std::unique_ptr<WavExport> own_;
};

TEST_F(WavExportTest, MenuItemWritesOutfileInTheWorkingFolder) {
  FillSong(window->engine().song);
  window->show();
  Run("ExportWAV1");
  const auto bytes = ReadAll(dir_ / "outfile.wav");
  ASSERT_GT(bytes.size(), 44u);
  EXPECT_EQ(bytes.size() - 8, Le32(bytes, 4));
  EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
  EXPECT_EQ(44100u, Le32(bytes, 24));
  EXPECT_EQ(0u, (bytes.size() - 44) % (4 * 4096));
  EXPECT_TRUE(Pages()->isVisible());
  EXPECT_EQ(0, window->engine().Playing);
  EXPECT_EQ(0, window->engine().StopAtLoop);
  EXPECT_TRUE(window->messages().Shown().isEmpty());
}

TEST_F(WavExportTest, SameBytesAsAFreshEngineAt22050And512) {
  // The options chosen in the window: a rate and a buffer size other than the defaults.
  Engine& engine = window->engine();
  ConfigureFreshEngine(engine, 22050, 512);
  FillSong(engine.song);
  Export().ExportWAV1Click();
  const auto gui = ReadAll(dir_ / "outfile.wav");

  auto fresh = std::make_unique<Engine>();
  ConfigureFreshEngine(*fresh, 22050, 512);
  FillSong(fresh->song);
  WavExportSetup setup;
  setup.path = (dir_ / "fresh.wav").string();
  ASSERT_TRUE(ExportSongToWav(*fresh, setup).error.ok());
  const auto expected = ReadAll(dir_ / "fresh.wav");
  ASSERT_GT(expected.size(), 44u + 2048);
  EXPECT_EQ(22050u, Le32(gui, 24));
  EXPECT_EQ(0u, (gui.size() - 44) % 2048);
  EXPECT_TRUE(gui == expected);
}

TEST_F(WavExportTest, PagesHiddenAndProgressShownWhileRendering) {
  FillSong(window->engine().song);
  window->show();
  int calls = 0;
  bool pagesHidden = true;
  QString label;
  int running = 0;
  Export().SetProgressHook([&](QProgressDialog& dialog) {
    ++calls;
    pagesHidden = pagesHidden && Pages()->isHidden();
    EXPECT_TRUE(dialog.isVisible());
    running += window->engine().StopAtLoop;  // 1 until the block in which the song stops
    label = dialog.labelText();
  });
  Export().ExportWAV1Click();
  EXPECT_GT(calls, 1);
  EXPECT_EQ(calls - 1, running);
  EXPECT_TRUE(pagesHidden);
  EXPECT_TRUE(label.startsWith("Rendering outfile.wav: ")) << label.toStdString();
  EXPECT_TRUE(label.contains(" s, order 0")) << label.toStdString();
  EXPECT_FALSE(Pages()->isHidden());
  EXPECT_EQ(RenderEnd::Stopped, Export().LastResult().end);
}

TEST_F(WavExportTest, CancelLeavesAValidFileOfTheBlocksWritten) {
  FillSong(window->engine().song);
  int calls = 0;
  Export().SetProgressHook([&](QProgressDialog& dialog) {
    if (++calls == 4) dialog.cancel();
  });
  Export().ExportWAV1Click();
  EXPECT_EQ(RenderEnd::Cancelled, Export().LastResult().end);
  const auto bytes = ReadAll(dir_ / "outfile.wav");
  EXPECT_EQ(44u + 4 * 4 * 4096, bytes.size());
  EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
  EXPECT_EQ(0, window->engine().Playing);
  EXPECT_FALSE(Pages()->isHidden());
  EXPECT_TRUE(window->messages().Shown().isEmpty());
}

TEST_F(WavExportTest, SongThatNeverStopsEndsAtTheLimit) {
  // The new song loops through the order list for ever.
  Export().SetMaxSeconds(3);
  Answer(MessageBoxes::Answer::Ok);
  Export().ExportWAV1Click();
  EXPECT_EQ(RenderEnd::Limit, Export().LastResult().end);
  EXPECT_EQ(window->messages().Shown(),
            QStringList{"The export stopped at the 30-minute limit: outfile.wav holds only the start of the song."});
  const auto bytes = ReadAll(dir_ / "outfile.wav");
  EXPECT_EQ(44u + 3 * 44100 / 4096 * 4096 * 4, bytes.size());
  EXPECT_EQ(bytes.size() - 8, Le32(bytes, 4));
  EXPECT_EQ(0, window->engine().Playing);
  EXPECT_EQ(0, window->engine().StopAtLoop);
}

TEST_F(WavExportTest, PlayingSongIsStoppedAndExportedFromTheTop) {
  Engine& engine = window->engine();
  FillSong(engine.song);
  engine.StartPlayback(1, 5, 0);
  std::vector<uint8_t> block(16384);
  for (int i = 0; i < 3; ++i) engine.RenderBuffer(block.data());
  Export().ExportWAV1Click();
  EXPECT_EQ(0, engine.Playing);
  auto fresh = std::make_unique<Engine>();
  FillSong(fresh->song);
  WavExportSetup setup;
  setup.path = (dir_ / "fresh.wav").string();
  ASSERT_TRUE(ExportSongToWav(*fresh, setup).error.ok());
  // Whatever played before and wherever the tick clock stood, the export is the fresh one.
  EXPECT_EQ(ReadAll(dir_ / "fresh.wav"), ReadAll(dir_ / "outfile.wav"));
}

TEST_F(WavExportTest, ExistingFileIsReplacedWithoutAQuestion) {
  {
    std::ofstream out(dir_ / "outfile.wav", std::ios::binary);
    out << std::string(300000, 'x');
  }
  FillSong(window->engine().song);
  Export().ExportWAV1Click();
  const auto bytes = ReadAll(dir_ / "outfile.wav");
  EXPECT_EQ(bytes.size() - 44, Le32(bytes, 40));
  EXPECT_TRUE(window->messages().Shown().isEmpty());
}

TEST_F(WavExportTest, FileSystemFailureRestoresEverythingBeforeTheMessage) {
  std::filesystem::create_directory(dir_ / "outfile.wav");  // a folder cannot be opened as the file
  FillSong(window->engine().song);
  window->show();
  Answer(MessageBoxes::Answer::Ok);
  Export().ExportWAV1Click();
  EXPECT_EQ(RenderEnd::Failed, Export().LastResult().end);
  ASSERT_EQ(1, window->messages().Shown().size());
  EXPECT_EQ("File access denied", window->messages().Shown().front().toStdString());
  EXPECT_FALSE(Pages()->isHidden());
  EXPECT_EQ(0, window->engine().Playing);
  EXPECT_EQ(0, window->engine().StopAtLoop);
}

TEST_F(WavExportTest, ExportAudioDialogOffersWhatTheEditorsHold) {
  FillSong(window->engine().song);
  window->state().Selection = BlockSelection{true, 0, 6, 0, 2, 3};
  AudioExport& exporter = window->audioExport();
  std::vector<QString> ranges;
  exporter.SetDialogHook([&](AudioExportDialog& dialog) {
    auto* range = dialog.findChild<QComboBox*>("ExportRange");
    for (int i = 0; i < range->count(); ++i) ranges.push_back(range->itemText(i));
    auto* format = dialog.findChild<QComboBox*>("ExportFormat");
    format->setCurrentIndex(format->findText("Opus"));
    EXPECT_EQ("48000 Hz", dialog.findChild<QComboBox*>("ExportRate")->currentText());  // Opus has one rate
    EXPECT_EQ("untitled.opus", QFileInfo(dialog.findChild<QLineEdit*>("ExportFile")->text()).fileName());
    format->setCurrentIndex(format->findText("Ogg Vorbis"));
    EXPECT_EQ("44100 Hz", dialog.findChild<QComboBox*>("ExportRate")->currentText());
    dialog.reject();
  });
  Run("ExportAudio1");
  EXPECT_EQ((std::vector<QString>{"The whole song", "The song from order position 00", "Pattern 00",
                                  "Rows 02 to 06 of pattern 00"}),
            ranges);

  // Cancel leaves no file; an existing one is replaced only when the question says so.
  ExportChoices choices;
  choices.path = QString::fromStdString((dir_ / "song.flac").string());
  choices.format = AudioFormat::Flac;
  exporter.SetProgressHook([](QProgressDialog& dialog) { dialog.cancel(); });
  EXPECT_EQ("Cancelled: nothing was written.", exporter.Run(choices));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "song.flac"));
  exporter.SetProgressHook({});
  EXPECT_TRUE(exporter.Run(choices).startsWith("Wrote song.flac: "));
  const auto written = ReadAll(dir_ / "song.flac");
  window->engine().song.Cell(0, 0, 0).Note = 50;
  window->messages().QueueAnswer(MessageBoxes::Answer::No);
  EXPECT_EQ("", exporter.Run(choices));
  EXPECT_TRUE(ReadAll(dir_ / "song.flac") == written);
  EXPECT_EQ("song.flac already exists. Replace it?", window->messages().Shown().back());
}

}  // namespace
}  // namespace kelmar
