// One key of a binding: a key sequence ("Ctrl+G"), or a place of the board ("KeyZ" for a
// note key, "ControlRight" for Ctrl alone on the right), as the key map and keys.conf name it.
#pragma once

#include <QKeySequence>
#include <QString>
#include <optional>

#include "editors/key_places.h"

namespace kelmar {

struct BoundKey {
  QKeySequence sequence;            // empty for a place
  const KeyPlace* place = nullptr;  // the place, or nullptr for a sequence

  // A place name, or a key sequence in its portable text; nullopt for neither.
  static std::optional<BoundKey> FromText(const QString& text);
  static BoundKey Place(const KeyPlace& place) { return {QKeySequence(), &place}; }

  // As keys.conf writes it: "Ctrl+G", "KeyZ".
  QString Text() const;
  // As the menus and the dialog show it: "Ctrl+G", "Right Ctrl", and a typing place by the key
  // cap given (the user's layout), with its name: "Y (KeyZ)".
  QString Shown(const QString& cap = QString()) const;

  bool operator==(const BoundKey& other) const { return place == other.place && sequence == other.sequence; }
  // Two keys where pressing one may run the other's command: equal, or one sequence begins the other.
  bool Clashes(const BoundKey& other) const;
};

}  // namespace kelmar
