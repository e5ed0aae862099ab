#include "app/menu_focus.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace kelmar {

MenuFocus::MenuFocus(QMenuBar& bar, QWidget& window) : QObject(&window), bar_(bar), window_(window) {
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Remember(now); });
  Remember(QApplication::focusWidget());
  for (QAction* title : bar_.actions()) {
    // The menu bar takes the keyboard only after the menu is gone: look once it is.
    if (QMenu* menu = title->menu())
      connect(menu, &QMenu::aboutToHide, this, [this] { QTimer::singleShot(0, this, [this] { GiveBack(); }); });
  }
}

void MenuFocus::Remember(QWidget* now) {
  if (now && now != &bar_ && !qobject_cast<QMenu*>(now) && now->window() == &window_) last_ = now;
}

void MenuFocus::GiveBack() {
  // Another menu opened (the pointer moved along the bar), or a command's box asks something.
  if (QApplication::activePopupWidget() || QApplication::activeModalWidget()) return;
  const QWidget* focus = window_.focusWidget();
  if (focus && focus != &bar_) return;  // a command gave the keyboard to a control of its choice
  if (last_ && last_->isVisible() && last_->isEnabled()) last_->setFocus(Qt::OtherFocusReason);
}

}  // namespace kelmar
