// The keyboard after a menu: once a menu of the menu bar closes, with a command or without
// one (Escape, a click elsewhere), the keyboard goes back to the control that had it. Left
// alone, the menu bar would keep it after Escape and walk its menus on every letter, so a
// note key typed next would open a menu instead. Window thread only.
#pragma once

#include <QObject>
#include <QPointer>

class QMenuBar;
class QWidget;

namespace kelmar {

class MenuFocus : public QObject {
 public:
  // Watches the menus of `bar`, which is built, in `window`.
  MenuFocus(QMenuBar& bar, QWidget& window);

 private:
  void Remember(QWidget* now);
  void GiveBack();

  QMenuBar& bar_;
  QWidget& window_;
  QPointer<QWidget> last_;  // the last control of the window to have the keyboard
};

}  // namespace kelmar
