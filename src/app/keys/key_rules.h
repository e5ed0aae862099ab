// Which keys a target may have: a note key is a typing key's place; a command or an octave
// is a key with Ctrl, Alt or a key that types nothing, or Ctrl or Alt alone by its side. Keys
// the editors use for themselves and keys the desktop usually takes are refused.
#pragma once

#include <QString>

#include "app/keys/bound_key.h"
#include "app/keys/key_targets.h"

namespace kelmar {

// Why key cannot be one of target's keys ("the desktop usually takes Alt+Tab"), or empty.
QString RefusalOf(const KeyTarget& target, const BoundKey& key);

}  // namespace kelmar
