#include "app/message_box.h"

#include <QMessageBox>
#include <QStringList>

namespace kelmar {

namespace {
const char* const kCaption = "Quorin.KELMAR";
}

bool MessageBoxes::Question(const QString& text, bool ownedByWindow) {
  shown_.push_back(text);
  if (!queued_.empty()) {
    Answer a = queued_.front();
    queued_.pop_front();
    return a == Answer::Yes;
  }
  return QMessageBox::warning(ownedByWindow ? owner_ : nullptr, kCaption, text, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
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
