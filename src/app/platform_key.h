// A toolkit key event as the editors' key maps read it.
#pragma once

#include "editors/key_map.h"

class QKeyEvent;

namespace kelmar {

PlatformKey PlatformKeyOf(const QKeyEvent* event);

}  // namespace kelmar
