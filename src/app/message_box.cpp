#include "app/message_box.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStringList>

namespace kelmar {

void NameApplication() {
  QApplication::setApplicationName("kelmar");
  QGuiApplication::setDesktopFileName("org.quorin.Kelmar");
}

void FitCaption(QMessageBox& box) {
  // Title bars set their caption in a bold face; room for an icon and three buttons of
  // about the title bar's height each, and for the margins, comes on top.
  QFont bold = box.font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  const int width = metrics.horizontalAdvance(QString::fromUtf8(kMessageBoxCaption)) + 8 * metrics.height();
  // The box sizes itself from its layout whenever it is shown; a spacer across the bottom row
  // is what it cannot ignore.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

bool MessageBoxes::Question(const QString& text, bool ownedByWindow) {
  return YesNo(text, ownedByWindow ? owner_ : nullptr, true);
}

bool MessageBoxes::Ask(const QString& text) { return YesNo(text, owner_, false); }

bool MessageBoxes::YesNo(const QString& text, QWidget* owner, bool warning) {
  shown_.push_back(text);
  if (!queued_.empty()) {
    Answer a = queued_.front();
    queued_.pop_front();
    return a == Answer::Yes;
  }
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question, kMessageBoxCaption, text,
                  QMessageBox::Yes | QMessageBox::No, owner);
  box.setDefaultButton(QMessageBox::No);
  FitCaption(box);
  return box.exec() == QMessageBox::Yes;
}

void MessageBoxes::Error(const QString& text, const QString& detail) { Tell(text, detail, true); }

void MessageBoxes::Info(const QString& text) { Tell(text, {}, false); }

void MessageBoxes::Tell(const QString& text, const QString& detail, bool error) {
  shown_.push_back(text);
  if (!detail.isEmpty()) details_.push_back(detail);
  if (!queued_.empty()) {
    queued_.pop_front();
    return;
  }
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Information, kMessageBoxCaption, text, QMessageBox::Ok,
                  owner_);
  box.setInformativeText(detail);
  FitCaption(box);
  box.exec();
}

}  // namespace kelmar
