// Work that waits until a window is on the screen: run once the window is first exposed and
// drawn, or after a while if the platform never says so (a window mapped on another desktop).
#pragma once

#include <functional>

class QWidget;

namespace kelmar {

void AfterFirstExposure(QWidget& window, std::function<void()> then, int fallbackMs = 1000);

}  // namespace kelmar
