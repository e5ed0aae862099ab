// What the window does with the song's history: each command's step, the Edit menu's Undo
// and Redo, the caption with its unsaved mark, "Crash recovery off", the page, pattern and
// row that an undo shows, the recovery offer and the unsaved work kept.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>

#include "app/file_commands.h"
#include "app/history_controller.h"
#include "app/main_window.h"
#include "app/pages/pattern_page.h"
#include "app/window_pages.h"
#include "editors/pattern/pattern_status.h"

namespace kelmar {

void MainWindow::StepDone(std::string_view name, StepRun run) {
  if (!history_) return;
  history_->StepDone(name, CurrentPage(), std::move(run));
  ShowHistory();
}

bool MainWindow::UnsavedChanges() const { return history_ && history_->UnsavedChanges(); }

void MainWindow::SongReplaced(const char* step, const QString& file) {
  history_->SongReplaced(step, CurrentPage(), file);
  ShowHistory();
}

void MainWindow::SongWritten() {
  history_->SongWritten(fileCommands_->LastSongFile());
  ShowHistory();
}

QString MainWindow::SongFilePath() const { return history_ ? history_->SongFilePath() : QString(); }

uint8_t MainWindow::CurrentPage() const { return static_cast<uint8_t>(pageControl_->currentIndex()); }

void MainWindow::ShowHistory() {
  UpdateUndoItems();
  ShowRecoveryState();
  ShowSongFile();
}

void MainWindow::ShowSongFile() {
  const QString name = QFileInfo(SongFilePath()).fileName();
  saveSong_->setText(saveSongCaption_
                         .arg(name.isEmpty() ? QStringLiteral("New File") : QString(name).replace('&', "&&")));
  if (name.isEmpty()) {
    setWindowTitle(kWindowCaption);
    return;
  }
  // Qt reads "[*]" in a caption as the modified mark; doubled, it stands for itself.
  QString caption = QStringLiteral("%1 - %2").arg(kWindowCaption, QString(name).replace("[*]", "[*][*]"));
  setWindowTitle(UnsavedChanges() ? caption + "*" : caption);
}

void MainWindow::UpdateUndoItems() {
  const bool canUndo = history_ && history_->timeline().CanUndo();
  const bool canRedo = history_ && history_->timeline().CanRedo();
  undo_->setEnabled(canUndo);
  redo_->setEnabled(canRedo);
  undo_->setText(canUndo ? "Undo " + QString::fromStdString(history_->timeline().NextUndo().name) : "Undo");
  redo_->setText(canRedo ? "Redo " + QString::fromStdString(history_->timeline().NextRedo().name) : "Redo");
  editMenu_->menuAction()->setEnabled(editMenuForPage_ || canUndo || canRedo);
}

void MainWindow::UndoClick() {
  if (const std::optional<StepShown> shown = history_->Undo()) ShowStep(*shown);
}

void MainWindow::RedoClick() {
  if (const std::optional<StepShown> shown = history_->Redo()) ShowStep(*shown);
}

// Shows what an undo or redo changed: its page, its pattern or instrument, the first
// changed row under the changed track's cursor.
void MainWindow::ShowStep(const StepShown& shown) {
  const StepPlace& place = shown.place;
  int page = shown.page;
  if (page == kAboutPage)
    page = place.pattern >= 0 ? kPatternPage : place.instrument >= 0 ? kInstrumentPage : kSongPage;
  if (page == kPatternPage && place.pattern >= 0) {
    state_.CurrentPattern = static_cast<uint8_t>(place.pattern);
    state_.TrackCursors[place.track].CursorRow = static_cast<uint8_t>(place.row);
  }
  if (page == kInstrumentPage && place.instrument >= 0)
    state_.CurrentInstrument = static_cast<uint8_t>(place.instrument);
  pageControl_->setCurrentIndex(page);
  RefreshAll();
  if (page == kPatternPage && place.track >= 0) patternPage_->FocusTrack(place.track + 1);
  ShowHistory();
}

void MainWindow::RefreshAll() {
  RefreshInstrumentPanel();
  RefreshPatternView();
  RefreshOrderList();
  ApplyColors();
}

void MainWindow::StartRecovery(const QString& folder) {
  history_->StartRecovery(folder);
  ShowRecoveryState();
}

void MainWindow::ShowRecoveryState() {
  const bool off = history_ && history_->RecoveryOff();
  if (off && !recoveryOff_->isVisible()) Announce(recoveryOff_->text());
  recoveryOff_->setVisible(off);
}

void MainWindow::OfferRecovery() {
  if (history_->OfferRecovery()) RefreshAll();
  ShowHistory();
}

// Asked as Load / Song asks; the kept journal stays where it is.
void MainWindow::UnsavedWorkClick(const QString& journal) {
  if (!fileCommands_->MayLoadSong() || !history_->LoadUnsavedWork(journal, CurrentPage())) return;
  ForgetInstrumentFiles(state_);
  RefreshAll();
  ShowHistory();
}

}  // namespace kelmar
