// Messages for a screen reader that no control of their own shows at the moment they happen
// ("Record on", "Crash recovery off"). The text becomes the accessible description of the
// control that has the keyboard, whose description changes are what a screen reader speaks
// of the control it follows; that control gets its own description back when it loses the
// keyboard. Nothing is drawn, and without assistive technology nothing is sent. Window
// thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace kelmar {

class Announcer : public QObject {
 public:
  explicit Announcer(QObject* parent = nullptr);
  void Announce(const QString& text);

 private:
  void GiveBack();

  QPointer<QWidget> holder_;  // the control the last text went to
  QString announced_;
  QString own_;  // its own description, given back unless it changed since
};

}  // namespace kelmar
