// Who moved a scroll bar. The program places a bar with SetPosition and no handler runs;
// every other change of the bar's value is the user's and runs the bar's handler.
#pragma once

#include <QScrollBar>
#include <QSignalBlocker>

namespace kelmar {

// The position the bar's handler last saw or the program last set.
inline constexpr char kHandledPosition[] = "handledPosition";

inline void SetPosition(QScrollBar* bar, int position) {
  bar->setProperty(kHandledPosition, position);
  const QSignalBlocker blocker(bar);
  bar->setValue(position);
}

// Runs `moved` with the new position whenever the user moves the bar. Actions (arrows, page
// clicks, drags, the wheel, keys) run it with the position they aim at, even when that is
// where the bar stands; any other change the program did not make ("Scroll here" of the
// bar's menu, for one) runs it with the new value.
template <typename F>
void OnUserMove(QScrollBar* bar, F moved) {
  bar->setProperty(kHandledPosition, bar->value());
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [bar, moved](int) {
    bar->setProperty(kHandledPosition, bar->sliderPosition());
    moved(bar->sliderPosition());
  });
  QObject::connect(bar, &QAbstractSlider::valueChanged, bar, [bar, moved](int value) {
    if (bar->property(kHandledPosition).toInt() == value) return;
    bar->setProperty(kHandledPosition, value);
    moved(value);
  });
}

}  // namespace kelmar
