// A scroll bar that takes the keyboard: Tab reaches it, and the keys move it the way its
// thumb goes, Right, Up and PageUp towards the maximum, Home and End to the ends. QScrollBar
// alone turns the arrows of a horizontal bar round, which suits a view being scrolled, not
// a value being set. The keys act as the user's moves do (the bar's actions).
#pragma once

class QScrollBar;

namespace kelmar {

void TakeKeyboard(QScrollBar* bar);

}  // namespace kelmar
