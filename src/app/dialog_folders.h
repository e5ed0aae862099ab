// Where the file dialogs open. A program started from its own folder finds songs/ and
// instruments/ under the folder it started in; an installed one started from the desktop
// finds the installed starter songs and instruments instead.
#pragma once

#include <QString>
#include <QStringList>

namespace kelmar {

// `subfolder` of `startFolder` when it exists; otherwise, for opening, that subfolder of the
// first starter root that has it; otherwise the documents folder (or home).
QString DialogFolder(const QString& startFolder, const QString& subfolder, bool save, const QStringList& starterRoots);

// Where installed starter content may be: share/kelmar beside the program's own prefix, then
// kelmar/ in each data folder of the desktop.
QStringList InstalledStarterRoots();

}  // namespace kelmar
