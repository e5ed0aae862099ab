#include "app/fixed_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace kelmar {

QFont FixedPitchFont(int pixelSize) {
  static const QString family = [] {
    const QStringList installed = QFontDatabase::families();
    for (const char* name : {"Courier New", "Liberation Mono"}) {
      if (installed.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) return QString::fromLatin1(name);
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  }();
  QFont font(family);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(pixelSize);
  return font;
}

}  // namespace kelmar
