// The song page's "Optimize": order entries that play identical patterns are made to play
// one of them.
#pragma once

#include "engine/song.h"

namespace kelmar {

// Rewrites every "play pattern" order entry to the pattern of the earliest position
// (this one included) whose pattern is identical to it. Entries with other commands, the
// patterns themselves and everything else stay as they are. Asking the user first and
// recording the step belong to the caller.
void Optimize(Song& song);

}  // namespace kelmar
