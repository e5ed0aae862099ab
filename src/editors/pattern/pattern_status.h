// The pattern page's status line: what a note key will write and where the cursor goes
// after it, as one line of text.
#pragma once

#include <string>

#include "editors/editor_state.h"

namespace kelmar {

// "Octave 3   Instrument 05 bass-deep.kli   Step 1", then "   Loop" and "   Record" while
// they are on. The instrument number is in hex as the page shows instrument numbers; the
// file is the one it was last loaded from or saved to, without its folder.
std::string PatternStatusText(const EditorState& state);

// A new song or a song load: no instrument comes from a file any more.
void ForgetInstrumentFiles(EditorState& state);

}  // namespace kelmar
