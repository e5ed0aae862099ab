// Where a window of its own opens beside the main window: to one side of it, top edges level,
// kept on the main window's screen.
#pragma once

class QWidget;

namespace kelmar {

enum class Side { Left, Right };

// Moves `window` beside `mainWindow`, `gap` pixels away, on `side` where it fits there and on
// the other side otherwise. Nothing happens without a main window on a screen.
void PlaceBeside(QWidget& window, const QWidget* mainWindow, Side side, int gap);

}  // namespace kelmar
