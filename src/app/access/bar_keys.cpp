#include "app/access/bar_keys.h"

#include <QKeyEvent>
#include <QScrollBar>

namespace kelmar {

namespace {

class BarKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* bar = static_cast<QScrollBar*>(watched);
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Right:
      case Qt::Key_Up: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); return true;
      case Qt::Key_Left:
      case Qt::Key_Down: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); return true;
      case Qt::Key_PageUp: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); return true;
      case Qt::Key_PageDown: bar->triggerAction(QAbstractSlider::SliderPageStepSub); return true;
      default: return false;  // Home and End go to the ends as they are
    }
  }
};

}  // namespace

void TakeKeyboard(QScrollBar* bar) {
  bar->setFocusPolicy(Qt::StrongFocus);
  bar->installEventFilter(new BarKeys(bar));
}

}  // namespace kelmar
