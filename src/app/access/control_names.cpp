#include "app/access/control_names.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QButtonGroup>
#include <QRegularExpression>
#include <QScrollBar>

namespace kelmar {

void Describe(QWidget* control, const QString& name, const QString& description) {
  control->setAccessibleName(name);
  const QString text = description.isEmpty() ? control->toolTip() : description;
  if (!text.isEmpty() && text != name) control->setAccessibleDescription(text);
}

void NameButtons(QButtonGroup* group, const QString& title) {
  for (QAbstractButton* button : group->buttons()) button->setAccessibleName(title + ' ' + button->text());
}

void NameScrollBarsOf(QAbstractScrollArea* box) {
  box->verticalScrollBar()->setAccessibleName(box->accessibleName() + QStringLiteral(", vertical scroll bar"));
  box->horizontalScrollBar()->setAccessibleName(box->accessibleName() + QStringLiteral(", horizontal scroll bar"));
}

QString SpokenCaption(const QString& caption) {
  static const QRegularExpression kShortOscillator(QStringLiteral("Osc(\\d)"));
  QString spoken = caption;
  spoken.replace(kShortOscillator, QStringLiteral("oscillator \\1"));
  return spoken;
}

}  // namespace kelmar
