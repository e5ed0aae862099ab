// How the controls' changes merge into undo steps: one drag of a scroll bar is one step,
// and so are clicks on the same bar less than a second apart, a run of typing in a text
// box, and a held key's auto-repeat.
#pragma once

#include <QKeyEvent>
#include <QScrollBar>

#include "history/history.h"

namespace kelmar {

constexpr int64_t kClickRunMs = 1000;
constexpr int64_t kTypingRunMs = 2000;

// Counts the bar's drags, so that a new drag never merges into the clicks before it.
inline void WatchDrags(QScrollBar* bar) {
  QObject::connect(bar, &QAbstractSlider::sliderPressed, bar,
                   [bar] { bar->setProperty("dragRun", bar->property("dragRun").toInt() + 1); });
}

inline StepRun BarRun(const QScrollBar* bar) {
  return {bar->objectName().toStdString() + '#' + std::to_string(bar->property("dragRun").toInt()), 0, kClickRunMs,
          bar->isSliderDown()};
}

inline StepRun TypingRun(const QObject* box) { return {box->objectName().toStdString(), 0, kTypingRunMs, false}; }

// A held key's repeats merge with the press that began them.
inline StepRun KeyRun(const QString& where, const QKeyEvent* event) {
  return {QStringLiteral("%1:%2").arg(where).arg(event->key()).toStdString(), 0, 0, event->isAutoRepeat()};
}

}  // namespace kelmar
