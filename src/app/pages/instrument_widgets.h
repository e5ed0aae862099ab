// Small builders shared by the instrument page's parts.
#pragma once

#include "app/access/bar_keys.h"
#include "app/scroll_bar_moves.h"
#include "app/step_runs.h"

#include <QLabel>
#include <QScrollBar>

namespace kelmar {

inline QScrollBar* MakeScrollBar(QWidget* parent, const char* name, int min, int max, int largeStep,
                                 const QRect& geometry) {
  auto* bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setRange(min, max);
  bar->setSingleStep(1);
  bar->setPageStep(largeStep);
  bar->setGeometry(geometry);
  TakeKeyboard(bar);
  WatchDrags(bar);
  return bar;
}

inline QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry, const char* name = nullptr,
                         Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* label = new QLabel(text, parent);
  if (name != nullptr) label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setAlignment(alignment);
  return label;
}

// A value label: fixed pitch so the right-aligned numbers line up.
inline QLabel* MakeValueLabel(QWidget* parent, const QRect& geometry, const char* name) {
  QLabel* label = MakeLabel(parent, QString(), geometry, name, Qt::AlignRight | Qt::AlignVCenter);
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(11);
  label->setFont(font);
  return label;
}

}  // namespace kelmar
