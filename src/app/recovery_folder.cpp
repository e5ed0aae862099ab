#include "app/recovery_folder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace kelmar {

namespace {

constexpr int kKeptJournals = 10;
const QString kJournalSuffix = QStringLiteral(".journal");

QString LockPathOf(const QString& journal) {
  return journal.left(journal.size() - kJournalSuffix.size()) + QStringLiteral(".lock");
}

}  // namespace

RecoveryFolder::RecoveryFolder(QString folder) : folder_(std::move(folder)) {}

RecoveryFolder::~RecoveryFolder() = default;

bool RecoveryFolder::Claim() {
  if (!QDir().mkpath(folder_)) return false;
  const QString id = QStringLiteral("%1-%2")
                         .arg(QCoreApplication::applicationPid())
                         .arg(QDateTime::currentMSecsSinceEpoch());
  journalPath_ = QDir(folder_).filePath(id + kJournalSuffix);
  lock_ = std::make_unique<QLockFile>(LockPathOf(journalPath_));
  lock_->setStaleLockTime(0);  // a running program's lock never grows stale with age
  if (lock_->tryLock(0)) return true;
  lock_.reset();
  return false;
}

QStringList RecoveryFolder::DeadJournals() const {
  QStringList dead;
  const QFileInfoList journals =
      QDir(folder_).entryInfoList({QStringLiteral("*") + kJournalSuffix}, QDir::Files, QDir::Time);
  for (const QFileInfo& info : journals) {
    const QString path = info.absoluteFilePath();
    if (QFileInfo(path) == QFileInfo(journalPath_)) continue;
    // The lock can be taken only when the program that held it is gone.
    QLockFile lock(LockPathOf(path));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) dead.append(path);  // unlocking removes the dead program's lock file
  }
  return dead;
}

QString RecoveryFolder::KeptFolder() const { return QDir(folder_).filePath(QStringLiteral("kept")); }

void RecoveryFolder::SetAside(const QString& journal) {
  QDir kept(KeptFolder());
  if (!kept.mkpath(QStringLiteral("."))) return;
  QFile::rename(journal, kept.filePath(QFileInfo(journal).fileName()));
  const QStringList old = KeptJournals();
  for (qsizetype i = kKeptJournals; i < old.size(); ++i) QFile::remove(old[i]);
}

QStringList RecoveryFolder::KeptJournals() const {
  QStringList kept;
  const QFileInfoList journals =
      QDir(KeptFolder()).entryInfoList({QStringLiteral("*") + kJournalSuffix}, QDir::Files, QDir::Time);
  for (const QFileInfo& info : journals) kept.append(info.absoluteFilePath());
  return kept;
}

void RecoveryFolder::Release() { lock_.reset(); }

}  // namespace kelmar
