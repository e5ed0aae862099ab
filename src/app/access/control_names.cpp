#include "app/access/control_names.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QButtonGroup>
#include <QFormLayout>
#include <QLabel>
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

QLabel* Labelling(const QString& text, QWidget* field) {
  auto* label = new QLabel(text);
  label->setBuddy(field);
  return label;
}

void LabelRowsOfLayouts(QFormLayout& form) {
  for (int row = 0; row < form.rowCount(); ++row) {
    QLayoutItem* label = form.itemAt(row, QFormLayout::LabelRole);
    QLayoutItem* field = form.itemAt(row, QFormLayout::FieldRole);
    auto* caption = label ? qobject_cast<QLabel*>(label->widget()) : nullptr;
    if (caption == nullptr || field == nullptr || field->layout() == nullptr) continue;
    if (QLayoutItem* first = field->layout()->itemAt(0); first && first->widget()) caption->setBuddy(first->widget());
  }
}

QString SpokenCaption(const QString& caption) {
  static const QRegularExpression kShortOscillator(QStringLiteral("Osc(\\d)"));
  QString spoken = caption;
  spoken.replace(kShortOscillator, QStringLiteral("oscillator \\1"));
  return spoken;
}

}  // namespace kelmar
