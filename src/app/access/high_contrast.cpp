#include "app/access/high_contrast.h"

namespace kelmar {

QPalette HighContrastPalette() {
  const QColor black(Qt::black);
  const QColor white(Qt::white);
  const QColor yellow(255, 255, 0);
  QPalette palette(white, black);  // window text, window
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Base, black);
    palette.setColor(group, QPalette::AlternateBase, black);
    palette.setColor(group, QPalette::Text, white);
    palette.setColor(group, QPalette::Button, black);
    palette.setColor(group, QPalette::ButtonText, white);
    palette.setColor(group, QPalette::Highlight, yellow);
    palette.setColor(group, QPalette::HighlightedText, black);
    palette.setColor(group, QPalette::ToolTipBase, black);
    palette.setColor(group, QPalette::ToolTipText, white);
    palette.setColor(group, QPalette::Light, white);
    palette.setColor(group, QPalette::Midlight, white);
    palette.setColor(group, QPalette::Mid, white);
    palette.setColor(group, QPalette::Dark, white);
    palette.setColor(group, QPalette::Shadow, white);
  }
  // Greyed items stay readable: light grey on black is still above 10 : 1.
  const QColor grey(190, 190, 190);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, grey);
  }
  palette.setColor(QPalette::Disabled, QPalette::Base, black);
  palette.setColor(QPalette::Disabled, QPalette::Button, black);
  palette.setColor(QPalette::Disabled, QPalette::Window, black);
  return palette;
}

QString HighContrastStyleSheet() {
  return QStringLiteral(
      "QRadioButton::indicator, QCheckBox::indicator { width: 9px; height: 9px; border: 1px solid white; }"
      "QRadioButton::indicator { border-radius: 5px; }"
      "QRadioButton::indicator:checked, QCheckBox::indicator:checked { background: yellow; }");
}

}  // namespace kelmar
