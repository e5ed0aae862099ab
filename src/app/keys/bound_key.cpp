#include "app/keys/bound_key.h"

namespace kelmar {
namespace {

bool HasUnknownKey(const QKeySequence& sequence) {
  for (int i = 0; i < sequence.count(); ++i) {
    if (sequence[i].key() == Qt::Key_unknown) return true;
  }
  return false;
}

}  // namespace

std::optional<BoundKey> BoundKey::FromText(const QString& text) {
  const QString trimmed = text.trimmed();
  if (const KeyPlace* place = PlaceNamed(trimmed.toStdString())) return Place(*place);
  const QKeySequence sequence = QKeySequence::fromString(trimmed, QKeySequence::PortableText);
  // A text the parser only half understood comes back different ("Ctrl+Q+" is Ctrl+Q and
  // an unknown key; "Ctrl+Ctrl" is nothing): such a text is no key.
  if (sequence.isEmpty() || HasUnknownKey(sequence)) return std::nullopt;
  const QKeySequence again =
      QKeySequence::fromString(sequence.toString(QKeySequence::PortableText), QKeySequence::PortableText);
  if (again != sequence) return std::nullopt;
  return BoundKey{sequence, nullptr};
}

QString BoundKey::Text() const {
  return place ? QString::fromLatin1(place->name) : sequence.toString(QKeySequence::PortableText);
}

QString BoundKey::Shown(const QString& cap) const {
  if (!place) return sequence.toString(QKeySequence::NativeText);
  if (IsModifierPlace(*place)) {
    const QString name = QString::fromLatin1(place->name);
    const QString side = name.endsWith(QLatin1String("Right")) ? QStringLiteral("Right ") : QStringLiteral("Left ");
    return side + (name.startsWith(QLatin1String("Control")) ? QStringLiteral("Ctrl") : QStringLiteral("Alt"));
  }
  const QString shownCap = cap.isEmpty() ? QString(QChar(place->usChar)).toUpper() : cap;
  return shownCap + QStringLiteral(" (") + QString::fromLatin1(place->name) + QStringLiteral(")");
}

bool BoundKey::Clashes(const BoundKey& other) const {
  if (place || other.place) return place == other.place;
  return sequence.matches(other.sequence) != QKeySequence::NoMatch ||
         other.sequence.matches(sequence) != QKeySequence::NoMatch;
}

}  // namespace kelmar
