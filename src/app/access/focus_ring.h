// Scroll bars draw nothing to show they have the keyboard; a ring in the highlight colour
// follows the keyboard onto them (and leaves them with it), so the focus is always seen.
// It lies over the bar's edge and lets the mouse through. Window thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace kelmar {

class FocusRing : public QObject {
 public:
  explicit FocusRing(QObject* parent);

 private:
  void Follow(QWidget* now);

  QPointer<QWidget> ring_;
};

}  // namespace kelmar
