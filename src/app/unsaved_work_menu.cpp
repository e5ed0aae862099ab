#include "app/unsaved_work_menu.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QMenu>

#include "history/journal_replay.h"

namespace kelmar {

namespace {

constexpr int kTitleShown = 40;

QString TimeOf(const QDateTime& time) {
  const bool today = time.date() == QDate::currentDate();
  return time.toString(today ? QStringLiteral("HH:mm") : QStringLiteral("yyyy-MM-dd HH:mm"));
}

// What the caption says after the time: the title, the file and the steps.
QString WorkText(const JournalWork& work) {
  QString title = QString::fromStdString(work.settings.Title);
  if (title.size() > kTitleShown) title = title.left(kTitleShown) + QChar(0x2026);
  QString text;
  if (!title.isEmpty()) text += ' ' + title;
  if (!work.file.empty()) text += QStringLiteral(" (%1)").arg(QFileInfo(QString::fromStdString(work.file)).fileName());
  text += work.steps == 1 ? QStringLiteral(", 1 step") : QStringLiteral(", %1 steps").arg(work.steps);
  return text.replace('&', QStringLiteral("&&"));
}

}  // namespace

UnsavedWorkMenu::UnsavedWorkMenu(QMenu* load, const QString& title, Kept kept, Choose choose, QObject* parent)
    : QObject(parent), menu_(load->addMenu(title)), kept_(std::move(kept)), choose_(std::move(choose)) {
  menu_->setObjectName("UnsavedWork1");
  connect(menu_, &QMenu::aboutToShow, this, &UnsavedWorkMenu::Refresh);
  Refresh();
}

void UnsavedWorkMenu::Refresh() {
  menu_->clear();
  QHash<QString, Read> read;
  for (const QString& journal : kept_()) {
    const QFileInfo info(journal);
    read.insert(journal, ReadOnce(journal, info));
    const QString& text = read[journal].text;
    if (text.isEmpty()) continue;  // no journal
    QAction* item = menu_->addAction(TimeOf(info.lastModified()) + text);
    connect(item, &QAction::triggered, this, [this, journal] { choose_(journal); });
  }
  read_ = std::move(read);  // journals gone from the folder are forgotten
  if (!menu_->isEmpty()) return;
  QAction* none = menu_->addAction(QStringLiteral("No unsaved work"));
  none->setObjectName("NoUnsavedWork1");
  none->setEnabled(false);
}

// A journal is replayed only when it is new or changed since the menu last opened.
UnsavedWorkMenu::Read UnsavedWorkMenu::ReadOnce(const QString& journal, const QFileInfo& info) const {
  const auto known = read_.constFind(journal);
  if (known != read_.constEnd() && known->modified == info.lastModified() && known->size == info.size()) return *known;
  const std::optional<JournalWork> work = ReplayJournalFile(journal.toStdString());
  return {info.lastModified(), info.size(), work ? WorkText(*work) : QString()};
}

}  // namespace kelmar
