// Option > "High Contrast": white on black for the whole window, with yellow for what is
// highlighted or has the keyboard. The song's own colours stay in the song untouched and
// come back when it is switched off. Qt 6.4 reports no desktop contrast setting to follow.
#pragma once

#include <QPalette>
#include <QString>

namespace kelmar {

QPalette HighContrastPalette();
// The style draws the rings of radio buttons and the boxes of check boxes a shade darker
// than the window, which on black is black: this draws them in white.
QString HighContrastStyleSheet();

}  // namespace kelmar
