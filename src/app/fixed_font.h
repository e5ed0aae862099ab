// The fixed-pitch font of every text box, so that each caret position of the editors
// falls on the character it means.
#pragma once

#include <QFont>

namespace kelmar {

// Courier New where installed, else its metric twin Liberation Mono, else any monospace face.
QFont FixedPitchFont(int pixelSize);

}  // namespace kelmar
