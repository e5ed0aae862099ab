// The file menu commands, driven with answered dialogs and message boxes: what each asks,
// where its dialog starts, what it changes in the song, what it refreshes, and that a
// refused file changes nothing. One case runs the commands through the main window's menu.
#include "app/file_commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/message_box.h"
#include "audio/audio_output.h"
#include "files/song_file.h"
#include "files/song_stream.h"

#include "app_bench.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

using Answer = MessageBoxes::Answer;

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A start folder with the three dialog folders, an engine without audio, and dialogs that
// take their answers from a queue and remember what they were asked.
class FileCommandsTest : public testing::AppBenchTest {
 protected:
  FileCommandsTest() : commands_(ctx_, nullptr) {
    std::string templ = (std::filesystem::temp_directory_path() / "kelmar-cmd-XXXXXX").string();
    EXPECT_NE(::mkdtemp(templ.data()), nullptr);
    root_ = templ;
    for (const char* sub : {"songs", "instruments", "waveform"}) std::filesystem::create_directory(root_ / sub);
    state_.StartFolder = root_.string();
    commands_.SetDialogHook(DialogAnswers());
  }
  ~FileCommandsTest() override {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // Answers file dialogs from the queue of names and remembers what each one asked.
  FileCommands::DialogHook DialogAnswers() {
    return [this](const FileDialogRequest& r) {
      requests_.push_back(r);
      if (names_.empty()) return QString();
      QString name = names_.front();
      names_.pop_front();
      return name;
    };
  }

  std::string Path(const std::string& relative) const { return (root_ / relative).string(); }
  void Answer(const std::string& relative) { names_.push_back(QString::fromStdString(Path(relative))); }
  Song& song() { return engine_->song; }

  FileCommands commands_;
  std::filesystem::path root_;
  std::deque<QString> names_;
  std::vector<FileDialogRequest> requests_;
};

void FillSong(Song& song) {
  for (int i = 0; i < 20; ++i) {
    for (size_t b = 0; b < sizeof(Instrument); ++b) song.Instruments[i * 11].bytes()[b] = static_cast<uint8_t>(i + b);
    song.SynthMode[i * 11] = i % 2;
  }
  for (int p = 0; p < 10; ++p) song.Cell(p * 20, p % 8, p * 3).Note = static_cast<uint8_t>(p + 40);
  song.Cell(3, 2, 1).Effects = 0x21;
  song.Order[0] = MakeOrderEntry(kOrderJump, 5);
  song.Tempo = 99;
  song.Speed = 4;
}

TEST_F(FileCommandsTest, SongSaveThenLoadRestoresEverything) {
  FillSong(song());
  settings_ = {"My song \xE2\x82\xAC", "two\r\nlines", 0x00102030, 0x00405060};
  Answer("songs/one.sng");
  commands_.Song3Click();
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_TRUE(requests_[0].save);
  EXPECT_EQ(requests_[0].filter, "Kelmar Song (*.SNG)");
  EXPECT_EQ(requests_[0].defaultSuffix, "SNG");
  EXPECT_EQ(requests_[0].folder, QString::fromStdString(root_.string()) + "/songs");
  EXPECT_TRUE(messages_.Shown().isEmpty());
  const Song saved = song();

  ResetSong(song());
  settings_ = SongSettings{};
  views_.Edit();
  engine_->StartPlayback(0, 0, 0);
  messages_.QueueAnswer(Answer::Yes);
  Answer("songs/one.sng");
  commands_.Song2Click();
  EXPECT_EQ(messages_.Shown(), QStringList{"Unsaved changes will be lost. Load Song?"});
  EXPECT_FALSE(requests_[1].save);
  EXPECT_EQ(requests_[1].folder, requests_[0].folder);
  EXPECT_EQ(std::memcmp(&song().Instruments, &saved.Instruments, sizeof saved.Instruments), 0);
  EXPECT_EQ(song().SynthMode, saved.SynthMode);
  EXPECT_EQ(song().Order, saved.Order);
  EXPECT_EQ(std::memcmp(&song().Patterns, &saved.Patterns, sizeof saved.Patterns), 0);
  EXPECT_EQ(song().Tempo, 99);
  EXPECT_EQ(settings_.Title, "My song \xE2\x82\xAC");
  EXPECT_EQ(settings_.Comment, "two\r\nlines");
  EXPECT_EQ(settings_.BackColor, 0x00405060u);
  EXPECT_EQ(engine_->Playing, 0);
  EXPECT_EQ(engine_->SamplesPerTick, engine_->SamplesPerTickFor(99));
  EXPECT_EQ(views_.calls, (QStringList{"instrument", "pattern", "order", "colors"}));
}

TEST_F(FileCommandsTest, SongLoadAnsweredNoOrCancelledChangesNothing) {
  song().Tempo = 77;
  views_.Edit();
  messages_.QueueAnswer(Answer::No);
  commands_.Song2Click();
  EXPECT_TRUE(requests_.empty());  // no dialog after No
  views_.Resync();
  commands_.Song2Click();  // no question without unsaved changes; the dialog is cancelled
  EXPECT_EQ(messages_.Shown().size(), 1);
  EXPECT_EQ(requests_.size(), 1u);
  commands_.Song3Click();  // cancelled save writes nothing
  EXPECT_TRUE(std::filesystem::is_empty(root_ / "songs"));
  EXPECT_EQ(song().Tempo, 77);
  EXPECT_TRUE(views_.calls.isEmpty());
}

TEST_F(FileCommandsTest, RefusedSongFileLeavesSongAndPlaybackAlone) {
  FillSong(song());
  const Song before = song();
  settings_.Title = "kept";
  views_.Edit();
  engine_->StartPlayback(0, 0, 0);
  WriteAll(Path("songs/bad.sng"), {'K', 'E', 'L', 'M', 'A', 'P', 'S', '0', 0x37, 0x02, 0, 0});
  WriteAll(Path("songs/short.sng"), {'K', 'E', 'L'});
  WriteAll(Path("songs/empty.sng"), {});
  const std::pair<const char*, const char*> cases[] = {
      {"songs/bad.sng", "No Kelmar Song"},
      {"songs/short.sng", "Read beyond end of file"},
      {"songs/empty.sng", "Read beyond end of file"},
      {"songs/missing.sng", "File not found"},
  };
  for (const auto& [file, message] : cases) {
    messages_.ClearShown();
    messages_.QueueAnswer(Answer::Yes);
    messages_.QueueAnswer(Answer::Ok);
    Answer(file);
    commands_.Song2Click();
    EXPECT_EQ(messages_.Shown().value(1), message);
    EXPECT_EQ(messages_.ShownDetails(), QStringList{QString::fromStdString(Path(file))}) << "names the file";
  }
  EXPECT_EQ(std::memcmp(&song(), &before, sizeof before), 0);
  EXPECT_EQ(settings_.Title, "kept");
  EXPECT_EQ(engine_->Playing, 1);
  EXPECT_TRUE(views_.calls.isEmpty());
}

TEST_F(FileCommandsTest, TempoZeroDoesNotDivide) {
  std::vector<uint8_t> file = {'K', 'E', 'L', 'M', 'A', 'R', 'S', '0', 'S', 'P', 'D', '0', 0, 0, 6, 0};
  WriteAll(Path("songs/zero.sng"), file);
  Answer("songs/zero.sng");
  commands_.Song2Click();
  EXPECT_TRUE(messages_.Shown().isEmpty());
  EXPECT_EQ(song().Tempo, 0);
  EXPECT_EQ(engine_->SamplesPerTick, engine_->SamplesPerTickFor(kDefaultTempo));
  EXPECT_GT(engine_->SamplesPerTick, 0);
}

TEST_F(FileCommandsTest, SongSaveFailureIsReported) {
  messages_.QueueAnswer(Answer::Ok);
  Answer("songs/no/such/folder.sng");
  commands_.Song3Click();
  EXPECT_EQ(messages_.Shown(), QStringList{"File not found"});

  settings_.Title = std::string(70000, 'x');
  messages_.QueueAnswer(Answer::Ok);
  WriteAll(Path("songs/keep.sng"), {'o', 'l', 'd'});
  Answer("songs/keep.sng");
  commands_.Song3Click();
  EXPECT_EQ(messages_.Shown().value(1), "Song title longer than 65535 characters");
  EXPECT_EQ(ReadAll(Path("songs/keep.sng")), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

TEST_F(FileCommandsTest, InstrumentSaveAndLoadIntoAnotherSlot) {
  state_.CurrentInstrument = 7;
  for (size_t b = 0; b < sizeof(Instrument); ++b) song().Instruments[7].bytes()[b] = static_cast<uint8_t>(b * 5);
  song().SynthMode[7] = 1;
  Answer("instruments/i.kli");
  commands_.Instrument3Click();
  EXPECT_EQ(requests_[0].filter, "Kelmar Instrument (*.KLI)");
  EXPECT_EQ(requests_[0].defaultSuffix, "KLI");
  EXPECT_EQ(requests_[0].folder, QString::fromStdString(root_.string()) + "/instruments");
  std::vector<uint8_t> file = ReadAll(Path("instruments/i.kli"));
  ASSERT_EQ(file.size(), 128u);
  EXPECT_EQ(file[127], 0x47);

  state_.CurrentInstrument = 200;
  Answer("instruments/i.kli");
  commands_.Instrument2Click();
  EXPECT_EQ(std::memcmp(&song().Instruments[200], &song().Instruments[7], sizeof(Instrument)), 0);
  EXPECT_EQ(song().SynthMode[200], 1);
  EXPECT_EQ(views_.calls, QStringList{"instrument"});

  file.push_back(0);
  WriteAll(Path("instruments/long.kli"), file);
  state_.CurrentInstrument = 3;
  messages_.QueueAnswer(Answer::Ok);
  Answer("instruments/long.kli");
  commands_.Instrument2Click();
  EXPECT_EQ(messages_.Shown(), QStringList{"No Kelmar Instrument"});
  EXPECT_EQ(song().Instruments[3].Filter, 0);
  EXPECT_EQ(song().SynthMode[3], 0);
}

TEST_F(FileCommandsTest, PatternSaveLoadAndShortFile) {
  state_.CurrentPattern = 9;
  song().Cell(9, 4, 17) = PatternCell{30, 0x12, 1, 2};
  Answer("songs/p.klp");
  commands_.SavePattern1Click();
  EXPECT_EQ(requests_[0].filter, "Kelmar Pattern (*.KLP)");
  EXPECT_EQ(requests_[0].defaultSuffix, "KLP");
  EXPECT_EQ(requests_[0].folder, QString::fromStdString(root_.string()) + "/songs");
  std::vector<uint8_t> file = ReadAll(Path("songs/p.klp"));
  ASSERT_EQ(file.size(), 1032u);

  state_.CurrentPattern = 10;
  Answer("songs/p.klp");
  commands_.LoadPattern1Click();
  EXPECT_EQ(song().Cell(10, 4, 17).Note, 30);
  EXPECT_EQ(song().Cell(10, 4, 17).Param2, 2);
  EXPECT_EQ(views_.calls, QStringList{"pattern"});

  file.resize(1031);
  WriteAll(Path("songs/short.klp"), file);
  state_.CurrentPattern = 11;
  messages_.QueueAnswer(Answer::Ok);
  Answer("songs/short.klp");
  commands_.LoadPattern1Click();
  EXPECT_EQ(messages_.Shown(), QStringList{"Read beyond end of file"});
  EXPECT_EQ(song().Cell(11, 0, 0).Note, kEmptyNote);
  EXPECT_EQ(song().Cell(11, 4, 17).Note, kEmptyNote);
  EXPECT_EQ(views_.calls.size(), 1);  // no refresh for the refused file
}

TEST_F(FileCommandsTest, ClearInstrumentAndPatternAsk) {
  state_.CurrentInstrument = 5;
  state_.CurrentPattern = 6;
  song().Instruments[5].Filter = 44;
  song().SynthMode[5] = 1;
  song().Cell(6, 1, 1) = PatternCell{12, 0x34, 5, 6};
  messages_.QueueAnswer(Answer::No);
  commands_.Instrument1Click();
  messages_.QueueAnswer(Answer::No);
  commands_.NewPattern1Click();
  EXPECT_EQ(messages_.Shown(), (QStringList{"Clear Instrument?", "Clear Pattern?"}));
  EXPECT_EQ(song().Instruments[5].Filter, 44);
  EXPECT_EQ(song().Cell(6, 1, 1).Note, 12);

  messages_.QueueAnswer(Answer::Yes);
  commands_.Instrument1Click();
  messages_.QueueAnswer(Answer::Yes);
  commands_.NewPattern1Click();
  EXPECT_EQ(song().Instruments[5].Filter, 0);
  EXPECT_EQ(song().SynthMode[5], 1);  // the synth mode stays
  const PatternCell& c = song().Cell(6, 1, 1);
  EXPECT_EQ(c.Note, kEmptyNote);
  EXPECT_EQ(c.Effects | c.Param1 | c.Param2, 0);
  EXPECT_EQ(views_.calls, (QStringList{"instrument", "pattern"}));
}

TEST_F(FileCommandsTest, WaveformFileIsADarkGreyBitmapAndLoadsIntoAPair) {
  state_.CurrentInstrument = 1;
  for (size_t b = 0; b < sizeof(Instrument); ++b) song().Instruments[1].bytes()[b] = static_cast<uint8_t>(100 + b);
  Answer("waveform/w.bmp");
  commands_.OSC1Wave2Click(0);
  EXPECT_EQ(requests_[0].filter, "Kelmar Waveform (*.bmp)");
  EXPECT_EQ(requests_[0].defaultSuffix, "BMP");
  EXPECT_EQ(requests_[0].folder, QString::fromStdString(root_.string()) + "/waveform");
  EXPECT_EQ(ReadAll(Path("waveform/w.bmp")).size(), 2136u);

  QImage image(QString::fromStdString(Path("waveform/w.bmp")), "BMP");
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(128, 128));
  bool allGrey = true;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) allGrey = allGrey && image.pixel(x, y) == qRgb(0x22, 0x22, 0x22);
  EXPECT_TRUE(allGrey);

  state_.CurrentInstrument = 2;
  Answer("waveform/w.bmp");
  commands_.OSC1Wave1Click(1);
  EXPECT_EQ(std::memcmp(song().Instruments[2].bytes() + 5, song().Instruments[1].bytes() + 1, 18), 0);
  EXPECT_EQ(song().Instruments[2].bytes()[4], 0);
  EXPECT_EQ(song().Instruments[2].bytes()[23], 0);
  EXPECT_EQ(views_.calls, QStringList{"instrument"});
  EXPECT_EQ(song().SynthMode[2], 0);

  WriteAll(Path("waveform/bad.bmp"), std::vector<uint8_t>(2136, 0));
  messages_.QueueAnswer(Answer::Ok);
  Answer("waveform/bad.bmp");
  state_.CurrentInstrument = 3;
  commands_.OSC1Wave1Click(0);
  EXPECT_EQ(messages_.Shown(), QStringList{"No Kelmar Waveform"});
  EXPECT_EQ(song().Instruments[3].SrcOsc1Amp, 0);

  const size_t asked = requests_.size();
  commands_.OSC1Wave1Click(2);  // no such pair: nothing happens, not even a dialog
  commands_.OSC1Wave2Click(-1);
  EXPECT_EQ(requests_.size(), asked);
}

// Qt's own dialogs, answered as their windows come up.
TEST_F(FileCommandsTest, OwnDialogAsksAboutTheNameWithTheSuffixAndListsAnyCase) {
  commands_.SetDialogHook(nullptr);
  for (const char* file : {"songs/mysong.SNG", "songs/neon-run.sng", "songs/notes.txt"}) WriteAll(Path(file), {'o'});
  QStringList names = {"nofolder/mysong", "mysong"}, seen, listed;
  QTimer rounds;
  QObject::connect(&rounds, &QTimer::timeout, [&, waited = 0]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {  // the folder warning, then the question: Yes
      seen << box->windowTitle() + ": " + box->text();
      box->done(QMessageBox::Yes);
    } else if (modal && !names.isEmpty()) {
      modal->findChild<QLineEdit*>("fileNameEdit")->setText(names.takeFirst());
      QMetaObject::invokeMethod(modal, "accept", Qt::QueuedConnection);
    } else if (auto* view = modal ? modal->findChild<QListView*>("listView") : nullptr) {  // listed by a thread
      listed.clear();
      for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
      if (listed.contains("neon-run.sng") || ++waited > 500) QMetaObject::invokeMethod(modal, "reject");
    }
  });
  rounds.start(10);
  EXPECT_TRUE(commands_.Song3Click());
  EXPECT_EQ(seen.join("|").toStdString(), "Quorin.KELMAR: The folder " + Path("songs/nofolder") +
                                              " does not exist.|Quorin.KELMAR: mysong.SNG already exists.\n"
                                              "Do you want to replace it?");
  EXPECT_FALSE(commands_.Song2Click());
  EXPECT_EQ(listed.join("|").toStdString(), "mysong.SNG|neon-run.sng");  // "*.SNG" takes any case, and only songs
}

TEST_F(FileCommandsTest, MainWindowMenuRunsTheCommands) {
  testing::Window w;
  w.StartWindow();
  MainWindow& window = *w.window;
  window.fileCommands().SetDialogHook(DialogAnswers());
  window.state().StartFolder = root_.string();
  window.engine().song.Tempo = 123;
  window.StepDone("Tempo");
  ASSERT_TRUE(window.UnsavedChanges());
  Answer("songs/menu.sng");
  w.Run("Song3");
  EXPECT_FALSE(window.UnsavedChanges());
  ASSERT_TRUE(std::filesystem::exists(Path("songs/menu.sng")));
  // The pattern page's status line names the instrument's file until a song is loaded.
  auto* status = w.Find<QLabel>("StatusLine");
  Answer("instruments/bass.kli");
  w.Run("Instrument3");
  EXPECT_EQ(status->text(), "Octave 0   Instrument 00 bass.kli   Step 1");

  window.engine().song.Tempo = 50;
  window.settings().Title = "changed";
  Answer("songs/menu.sng");
  w.Run("Song2");
  EXPECT_EQ(window.engine().song.Tempo, 123);
  EXPECT_EQ(window.settings().Title, "Songtitle");
  EXPECT_EQ(status->text(), "Octave 0   Instrument 00   Step 1");
  for (const char* name : {"OSC1Wave1", "OSC2Wave1", "OSC1Wave2", "OSC2Wave2"}) {
    QAction* item = w.Item(name);
    ASSERT_NE(item, nullptr) << name;
    EXPECT_FALSE(item->isVisible()) << name;
  }
}

// Dialogs open in the folders under the start folder; where one is missing, opening falls
// back to the installed starters, and saving never goes into them.
TEST_F(FileCommandsTest, MissingFoldersFallBackToTheInstalledStarters) {
  std::filesystem::remove(root_ / "songs");
  std::filesystem::create_directories(root_ / "share/songs");
  commands_.SetStarterRoots({QString::fromStdString(Path("none")), QString::fromStdString(Path("share"))});
  commands_.Song2Click();
  commands_.Song3Click();
  commands_.Instrument2Click();
  ASSERT_EQ(requests_.size(), 3u);
  EXPECT_EQ(requests_[0].folder.toStdString(), Path("share/songs"));
  EXPECT_NE(requests_[1].folder.toStdString(), Path("share/songs"));
  EXPECT_TRUE(QFileInfo(requests_[1].folder).isDir());
  EXPECT_EQ(requests_[2].folder.toStdString(), Path("instruments"));
}

// A song named on the command line, Ctrl+S and Ctrl+Shift+S on the shown window: the caption
// follows the song's file and its unsaved flag, a quick save asks nothing once the song has a
// file and keeps that file when it fails, and undoing the load takes the file away again.
TEST_F(FileCommandsTest, QuickSaveAndCaptionFollowTheSongsFile) {
  testing::Window w;
  w.StartWindow();
  MainWindow& window = *w.window;
  window.fileCommands().SetDialogHook(DialogAnswers());
  ASSERT_NO_FATAL_FAILURE(w.ShowActive());
  auto save = [&](Qt::KeyboardModifiers more = {}) { QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier | more); };
  auto title = [&] { return window.windowTitle().toStdString(); };

  WriteAll(Path("songs/notes.sng"), std::vector<uint8_t>(16, 'x'));
  w.Answer(Answer::Ok);
  window.OpenSongFile(QString::fromStdString(Path("songs/notes.sng")));
  EXPECT_EQ(window.messages().Shown(), QStringList{"No Kelmar Song"});
  EXPECT_EQ(title(), "Quorin.Kelmar");
  window.OpenSongFile(KELMAR_SOURCE_DIR "/songs/neon-run.sng");
  EXPECT_EQ(title(), "Quorin.Kelmar - neon-run.sng");
  EXPECT_NE(window.settings().Title, "Songtitle");

  Answer("songs/a.sng");
  save(Qt::ShiftModifier);  // always the dialog
  EXPECT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].name, QFileInfo(KELMAR_SOURCE_DIR "/songs/neon-run.sng").absoluteFilePath());
  EXPECT_EQ(title(), "Quorin.Kelmar - a.sng");
  window.engine().song.Tempo = 77;
  window.StepDone("Tempo");
  ASSERT_TRUE(window.UnsavedChanges());
  EXPECT_EQ(title(), "Quorin.Kelmar - a.sng*");
  save();
  EXPECT_EQ(requests_.size(), 1u);
  EXPECT_EQ(title(), "Quorin.Kelmar - a.sng");
  Song written;
  SongSettings settings;
  ASSERT_FALSE(LoadSongFile(Path("songs/a.sng"), written, settings));
  EXPECT_EQ(written.Tempo, 77);

  const std::vector<uint8_t> kept = ReadAll(Path("songs/a.sng"));
  window.settings().Title.assign(70000, 'x');
  window.StepDone("Title");
  w.Answer(Answer::Ok);
  save();
  EXPECT_EQ(window.messages().Shown().last(), "Song title longer than 65535 characters");
  EXPECT_EQ(ReadAll(Path("songs/a.sng")), kept);
  EXPECT_EQ(title(), "Quorin.Kelmar - a.sng*");

  for (int i = 0; i < 3; ++i) window.UndoClick();  // the title, the tempo, the load
  EXPECT_EQ(title(), "Quorin.Kelmar");
  save();  // no file again: the dialog, cancelled
  EXPECT_EQ(requests_.size(), 2u);
  EXPECT_EQ(requests_[1].name, "") << "nothing to suggest";
  window.settings().Title = " Neon Run!";
  save();
  EXPECT_EQ(requests_.back().name, "neon-run.sng");
}

}  // namespace
}  // namespace kelmar
