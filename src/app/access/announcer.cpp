#include "app/access/announcer.h"

#include <QApplication>

namespace kelmar {

Announcer::Announcer(QObject* parent) : QObject(parent) {
  connect(qApp, &QApplication::focusChanged, this, [this] { GiveBack(); });
}

void Announcer::Announce(const QString& text) {
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr) return;
  if (focus != holder_) {
    GiveBack();
    holder_ = focus;
    own_ = focus->accessibleDescription();
  }
  announced_ = text;
  focus->setAccessibleDescription(text);
}

void Announcer::GiveBack() {
  // A control that described itself anew since (a track column after a cursor move) keeps it.
  if (holder_ && holder_->accessibleDescription() == announced_) holder_->setAccessibleDescription(own_);
  holder_ = nullptr;
}

}  // namespace kelmar
