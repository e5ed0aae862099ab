#include "app/message_box.h"

#include <QMessageBox>
#include <QStringList>

namespace kelmar {

namespace {
const char* const kCaption = "Quorin.KELMAR";
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
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question, kCaption, text,
                  QMessageBox::Yes | QMessageBox::No, owner);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void MessageBoxes::Error(const QString& text) {
  shown_.push_back(text);
  if (!queued_.empty()) {
    queued_.pop_front();
    return;
  }
  QMessageBox::critical(owner_, kCaption, text, QMessageBox::Ok);
}

}  // namespace kelmar
