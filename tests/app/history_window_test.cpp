// Undo and redo as the user meets them, recovery after the real window was killed, and the
// unsaved work kept at a quit.
#include <gtest/gtest.h>
#include <signal.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstring>

#include "app/file_commands.h"
#include "app/history_controller.h"
#include "app/pages/pattern_page.h"
#include "files/song_file.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

// A shown window, and the same edits in every one: notes and a tempo step, then typing in the title.
struct Window : testing::Window {
  Window() {
    StartWindow();
    ShowActive();
  }
  void Edit() {
    ShowPage(2);
    QTest::keyClicks(Find<QPlainTextEdit>("Memo1"), "qwe");
    ShowPage(3);
    Find<QScrollBar>("ScrollBarTPO")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QTest::keyClicks(Find<QLineEdit>("EditTit"), "!");
  }
};

TEST(HistoryWindowTest, UndoAndRedoWalkOneTimelineOnEveryPage) {
  Window w;
  QAction* undo = w.Find("Undo1");
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(w.Menu("Edit1")->menuAction()->isEnabled()) << "nothing to undo at start";
  w.Edit();
  EXPECT_EQ(undo->text(), "Undo Title");
  EXPECT_TRUE(w.Menu("Edit1")->menuAction()->isEnabled()) << "on the Song Editor page too";
  QTest::keyClick(w.Focused(), Qt::Key_Z, Qt::ControlModifier);  // in the title box: the song's undo
  EXPECT_EQ(w.window->settings().Title, "Songtitle");
  EXPECT_EQ(undo->text(), "Undo Tempo");
  undo->trigger();
  EXPECT_EQ(w.window->engine().song.Tempo, 50);
  undo->trigger();  // the three notes were one step each: the last goes, shown on its page and row
  EXPECT_EQ(w.Pages()->currentIndex(), 2);
  EXPECT_EQ(w.window->state().TrackCursors[0].CursorRow, 2);
  EXPECT_EQ(w.window->engine().song.Cell(0, 0, 2).Note, kEmptyNote);
  EXPECT_TRUE(w.window->UnsavedChanges());
  undo->trigger();
  undo->trigger();
  EXPECT_FALSE(w.window->UnsavedChanges()) << "back at the new song";
  QTest::keyClick(w.Focused(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_NE(w.window->engine().song.Cell(0, 0, 0).Note, kEmptyNote);
  EXPECT_EQ(w.Find("Redo1")->text(), "Redo Note Entry");
}

// The child: the real window, started with a song file, journals its edits, says so, and
// waits to be killed.
TEST(HistoryWindowTest, ChildEditsAndWaits) {
  const QString folder = qEnvironmentVariable("KELMAR_RECOVERY_CHILD");
  if (folder.isEmpty()) GTEST_SKIP() << "run by CrashLosesNoStep";
  Window w;
  w.window->StartRecovery(folder);
  w.window->OpenSongFile(folder + "/neon-run.sng");
  w.Edit();
  std::printf("edited\n");
  std::fflush(stdout);
  QTest::qWait(60'000);
}

TEST(HistoryWindowTest, CrashLosesNoStepAndBadJournalsChangeNothing) {
  QTemporaryDir folder;
  const QString song = folder.filePath("neon-run.sng");
  ASSERT_TRUE(QFile::copy(KELMAR_SOURCE_DIR "/songs/neon-run.sng", song));
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("KELMAR_RECOVERY_CHILD", folder.path());
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=HistoryWindowTest.ChildEditsAndWaits"});
  QByteArray said;
  while (!said.contains("edited") && child.waitForReadyRead(30'000)) said += child.readAll();
  ASSERT_TRUE(said.contains("edited"));
  ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
  child.waitForFinished();
  // Beside it, journals of random bytes and of a torn write.
  QFile random(folder.filePath("1-1.journal")), torn(folder.filePath("2-2.journal"));
  random.open(QIODevice::WriteOnly);
  random.write(QByteArray(5000, '\x5A'));
  torn.open(QIODevice::WriteOnly);
  torn.write("KELMARJ0\x10\x00");
  random.close();
  torn.close();

  Window expected;
  expected.window->OpenSongFile(song);
  expected.Edit();
  Window w;
  w.window->StartRecovery(folder.path());
  w.Answer(MessageBoxes::Answer::Yes);
  w.window->OfferRecovery();
  EXPECT_EQ(w.window->messages().Shown(), QStringList{"Kelmar was not closed properly. Restore the unsaved work?"});
  EXPECT_EQ(std::memcmp(&w.window->engine().song, &expected.window->engine().song, sizeof(Song)), 0);
  EXPECT_EQ(w.window->settings().Title, expected.window->settings().Title);
  EXPECT_TRUE(w.window->UnsavedChanges());
  EXPECT_EQ(w.window->windowTitle().toStdString(), "Quorin.Kelmar - neon-run.sng*") << "the song's file came back too";
  w.Find("Undo1")->trigger();
  EXPECT_EQ(w.window->settings().Title + "!", expected.window->settings().Title) << "the timeline came back too";
  w.window->fileCommands().SetDialogHook([](const FileDialogRequest&) { return QString(); });  // no asking
  QTest::keyClick(w.window.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(w.window->windowTitle().toStdString(), "Quorin.Kelmar - neon-run.sng");
  auto saved = std::make_unique<Song>();
  SongSettings settings;
  ASSERT_FALSE(LoadSongFile(song.toStdString(), *saved, settings));
  EXPECT_EQ(std::memcmp(saved.get(), &w.window->engine().song, sizeof(Song)), 0) << "Ctrl+S wrote to the song's file";
  EXPECT_EQ(settings.Title, w.window->settings().Title);
  for (int i = 0; i < 10 && w.Find("Undo1")->isEnabled(); ++i) w.Find("Undo1")->trigger();
  EXPECT_EQ(w.window->SongFilePath().toStdString(), "") << "back before the load";
  w.Find("Redo1")->trigger();
  EXPECT_EQ(w.window->SongFilePath().toStdString(), song.toStdString()) << "redoing the load brings its file back";
  EXPECT_EQ(QDir(folder.filePath("kept")).entryList(QDir::Files).size(), 3) << "set aside, never deleted";

  Window next;  // nothing left to offer
  next.window->StartRecovery(folder.path());
  next.window->OfferRecovery();
  EXPECT_TRUE(next.window->messages().Shown().isEmpty());
  EXPECT_FALSE(next.Find("RecoveryOff1")->isVisible());
  Window off;  // a folder that cannot be made: recovery is off, said once in the menu
  off.window->StartRecovery("/dev/null/recovery");
  EXPECT_TRUE(off.Find("RecoveryOff1")->isVisible());
}

// Quit answered Yes keeps unsaved work, and only that: after a restart, which asks nothing, it
// is under Load > Unsaved Work, and loading it is one undo step.
TEST(HistoryWindowTest, QuitKeepsUnsavedWorkToLoadAsOneStep) {
  QTemporaryDir folder;
  const QString song = folder.filePath("neon-run.sng");
  ASSERT_TRUE(QFile::copy(KELMAR_SOURCE_DIR "/songs/neon-run.sng", song));
  Window quit;
  quit.window->StartRecovery(folder.path());
  quit.window->OpenSongFile(song);
  quit.Edit();
  quit.Answer(MessageBoxes::Answer::Yes);
  EXPECT_TRUE(quit.window->close());
  Window clean;
  clean.window->StartRecovery(folder.path());
  clean.Answer(MessageBoxes::Answer::Yes);
  EXPECT_TRUE(clean.window->close());
  EXPECT_EQ(QDir(folder.filePath("kept")).entryList(QDir::Files).size(), 1) << "only the unsaved work is kept";

  Window w;
  w.window->StartRecovery(folder.path());
  w.window->OfferRecovery();
  EXPECT_TRUE(w.window->messages().Shown().isEmpty()) << "a program that was closed is not offered";
  w.Edit();
  const auto before = std::make_unique<Song>(w.window->engine().song);
  QMenu* work = w.Menu("UnsavedWork1");
  ASSERT_NE(work, nullptr);
  emit work->aboutToShow();
  ASSERT_EQ(work->actions().size(), 1);
  const QString steps = QString(" (neon-run.sng), %1 steps").arg(quit.window->history().timeline().Steps().size());
  EXPECT_TRUE(work->actions()[0]->text().endsWith(steps)) << work->actions()[0]->text().toStdString();
  w.Answer(MessageBoxes::Answer::Yes);
  work->actions()[0]->trigger();
  EXPECT_EQ(w.window->messages().Shown(), QStringList{"Unsaved changes will be lost. Load Song?"});
  EXPECT_EQ(std::memcmp(&w.window->engine().song, &quit.window->engine().song, sizeof(Song)), 0);
  EXPECT_EQ(w.window->settings().Title, quit.window->settings().Title);
  EXPECT_EQ(w.window->windowTitle().toStdString(), "Quorin.Kelmar - neon-run.sng*");
  EXPECT_EQ(w.Find("Undo1")->text(), "Undo Load Song");
  w.Find("Undo1")->trigger();
  EXPECT_EQ(std::memcmp(&w.window->engine().song, before.get(), sizeof(Song)), 0) << "one step takes it back";
  EXPECT_EQ(QDir(folder.filePath("kept")).entryList(QDir::Files).size(), 1) << "nothing deleted unasked";
}

}  // namespace
}  // namespace kelmar
