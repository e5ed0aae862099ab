// Load > "Unsaved Work": the journals kept after a crash or a quit with unsaved changes,
// newest first, each by the time of its last step, its title, its file and its steps
// ("14:02 Neon Run (neon-run.sng), 37 steps"). The folder is listed each time the menu
// opens, and a journal replayed only when it is new or has changed since; choosing an item
// hands its journal on. Window thread only.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QFileInfo;
class QMenu;

namespace kelmar {

class UnsavedWorkMenu : public QObject {
 public:
  using Kept = std::function<QStringList()>;
  using Choose = std::function<void(const QString& journal)>;

  // Adds the submenu, titled `title`, to `load`.
  UnsavedWorkMenu(QMenu* load, const QString& title, Kept kept, Choose choose, QObject* parent);

  // Lists the kept journals that read; "No unsaved work" when there is none.
  void Refresh();
  QMenu* menu() const { return menu_; }

 private:
  // What a journal's caption says after its time; empty when it did not read.
  struct Read {
    QDateTime modified;
    qint64 size = 0;
    QString text;
  };
  Read ReadOnce(const QString& journal, const QFileInfo& info) const;

  QMenu* menu_;
  Kept kept_;
  Choose choose_;
  QHash<QString, Read> read_;  // by journal path, as of the menu's last opening
};

}  // namespace kelmar
