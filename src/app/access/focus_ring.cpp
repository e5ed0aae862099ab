#include "app/access/focus_ring.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>

namespace kelmar {

namespace {

class Ring : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
  }
};

}  // namespace

FocusRing::FocusRing(QObject* parent) : QObject(parent) {
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* now) {
  auto* bar = qobject_cast<QScrollBar*>(now);
  if (bar == nullptr || bar->parentWidget() == nullptr) {
    delete ring_;
    return;
  }
  if (!ring_ || ring_->parentWidget() != bar->parentWidget()) {
    delete ring_;
    ring_ = new Ring(bar->parentWidget());
    ring_->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  ring_->setGeometry(bar->geometry().adjusted(-2, -2, 2, 2));
  ring_->raise();
  ring_->show();
}

}  // namespace kelmar
