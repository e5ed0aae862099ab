#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

namespace kelmar {

void NameApplication() {
  QApplication::setApplicationName("kelmar");
  QGuiApplication::setDesktopFileName("org.quorin.Kelmar");
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
  return box.exec() == QMessageBox::Yes;
}

void MessageBoxes::Error(const QString& text) { Tell(text, true); }

void MessageBoxes::Info(const QString& text) { Tell(text, false); }

void MessageBoxes::Tell(const QString& text, bool error) {
  shown_.push_back(text);
  if (!queued_.empty()) {
    queued_.pop_front();
    return;
  }
  if (error)
    QMessageBox::critical(owner_, kMessageBoxCaption, text, QMessageBox::Ok);
  else
    QMessageBox::information(owner_, kMessageBoxCaption, text, QMessageBox::Ok);
}

}  // namespace kelmar
