#include "app/window_placement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace kelmar {

void PlaceBeside(QWidget& window, const QWidget* mainWindow, Side side, int gap) {
  if (!mainWindow || !mainWindow->screen()) return;
  const QRect beside = mainWindow->frameGeometry();
  const QRect screen = mainWindow->screen()->availableGeometry();
  const int left = beside.left() - gap - window.width();
  const int right = beside.right() + 1 + gap;
  const bool leftFits = left >= screen.left();
  const bool rightFits = right + window.width() <= screen.right() + 1;
  int x = side == Side::Left ? (leftFits || !rightFits ? left : right) : (rightFits || !leftFits ? right : left);
  x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - window.width()));
  const int y = std::min(beside.top(), screen.bottom() + 1 - window.height());
  window.move(x, std::max(y, screen.top()));
}

}  // namespace kelmar
