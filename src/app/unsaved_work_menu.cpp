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

QString WorkCaption(const QString& journal, const JournalWork& work) {
  QString title = QString::fromStdString(work.settings.Title);
  if (title.size() > kTitleShown) title = title.left(kTitleShown) + QChar(0x2026);
  QString caption = TimeOf(QFileInfo(journal).lastModified());
  if (!title.isEmpty()) caption += ' ' + title;
  if (!work.file.empty())
    caption += QStringLiteral(" (%1)").arg(QFileInfo(QString::fromStdString(work.file)).fileName());
  caption += work.steps == 1 ? QStringLiteral(", 1 step") : QStringLiteral(", %1 steps").arg(work.steps);
  return caption.replace('&', QStringLiteral("&&"));
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
  for (const QString& journal : kept_()) {
    const std::optional<JournalWork> work = ReplayJournalFile(journal.toStdString());
    if (!work) continue;
    QAction* item = menu_->addAction(WorkCaption(journal, *work));
    connect(item, &QAction::triggered, this, [this, journal] { choose_(journal); });
  }
  if (!menu_->isEmpty()) return;
  QAction* none = menu_->addAction(QStringLiteral("No unsaved work"));
  none->setObjectName("NoUnsavedWork1");
  none->setEnabled(false);
}

}  // namespace kelmar
