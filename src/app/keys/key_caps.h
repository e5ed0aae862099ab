// What the user's own layout prints on the typing keys' places, where the window system
// tells (X11); elsewhere a US board's caps.
#pragma once

#include <QHash>
#include <QString>

#include "editors/key_places.h"

namespace kelmar {

class KeyCaps {
 public:
  KeyCaps();  // reads the layout in use now
  // "Y" for KeyZ on a German board; empty for Ctrl and Alt.
  QString Of(const KeyPlace& place) const;

 private:
  QHash<int, QString> caps_;  // by evdev code
};

}  // namespace kelmar
