#include "app/dialog_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace kelmar {

QString DialogFolder(const QString& startFolder, const QString& subfolder, bool save, const QStringList& starterRoots) {
  const QString specified = startFolder + "/" + subfolder;
  if (QDir(specified).exists()) return specified;
  // The starters are there to be opened; an installed folder is no place to save into.
  if (!save) {
    for (const QString& root : starterRoots) {
      if (QDir(root + "/" + subfolder).exists()) return QDir::cleanPath(root + "/" + subfolder);
    }
  }
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

QStringList InstalledStarterRoots() {
  QStringList roots{QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/kelmar")};
  for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
    roots << data + "/kelmar";
  return roots;
}

}  // namespace kelmar
