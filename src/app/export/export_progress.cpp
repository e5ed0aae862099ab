#include "app/export/export_progress.h"

#include <QCoreApplication>
#include <QDateTime>

namespace kelmar {

ExportProgress::ExportProgress(QWidget* parent, const QString& objectName, const QString& title,
                               const QString& fileName, Hook hook)
    : dialog_(QStringLiteral("Rendering %1 ...").arg(fileName), QStringLiteral("Cancel"), 0, 0, parent),
      fileName_(fileName),
      hook_(std::move(hook)) {
  dialog_.setObjectName(objectName);
  dialog_.setWindowTitle(title);
  dialog_.setWindowModality(Qt::WindowModal);
  dialog_.setMinimumDuration(0);
  dialog_.setAutoClose(false);
  dialog_.setAutoReset(false);
}

bool ExportProgress::Update(const RenderProgress& p) {
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (lastUpdate_ < 0 || now - lastUpdate_ >= 100) {
    lastUpdate_ = now;
    dialog_.setLabelText(QString::asprintf("Rendering %s: %.1f s, order %02X", qPrintable(fileName_), p.seconds(),
                                           static_cast<unsigned>(p.orderPos)));
    QCoreApplication::processEvents();
  }
  if (hook_) hook_(dialog_);
  return !dialog_.wasCanceled();
}

}  // namespace kelmar
