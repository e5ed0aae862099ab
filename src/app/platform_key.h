// A toolkit key event as the editors' key maps read it.
#pragma once

#include "editors/key_map.h"

class QKeyEvent;

namespace kelmar {

PlatformKey PlatformKeyOf(const QKeyEvent* event);

struct KeyPlace;
// Ctrl or Alt by its side, where the platform says which place the key has; else nullptr.
const KeyPlace* ModifierPlaceOf(const QKeyEvent* event);

}  // namespace kelmar
