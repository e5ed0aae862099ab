// The folder of recovery journals: one journal per running program, each beside a lock
// file that tells a running program's journal from one left by a program that died.
// Journals of dead programs are offered once and then set aside, never deleted unasked, as
// is the journal of a program that quit with unsaved changes: the newest ten stay in kept/,
// listed under Load > Unsaved Work. Window thread only.
#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>

namespace kelmar {

class RecoveryFolder {
 public:
  explicit RecoveryFolder(QString folder);
  ~RecoveryFolder();

  // Creates the folder and takes this program's lock; false when the folder cannot be written.
  bool Claim();
  QString JournalPath() const { return journalPath_; }
  // Journals of programs that are no longer running, the newest first.
  QStringList DeadJournals() const;
  // Moves a journal into kept/, dropping the oldest kept ones beyond the ten kept.
  void SetAside(const QString& journal);
  // The journals in kept/, the newest first.
  QStringList KeptJournals() const;
  // A clean exit: this program's lock goes (the history removes its journal or keeps it).
  void Release();

 private:
  QString KeptFolder() const;

  QString folder_;
  QString journalPath_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace kelmar
