#include "app/scopes/scope_trace.h"

#include <algorithm>

namespace kelmar {

namespace {

constexpr int kShown = ScopeHistory::kFrames / 4;  // about 12 ms at 44100 Hz: a few cycles of a lead
// Left + right of one voice at full volume with both pan nibbles at 15 (render.cpp's Output).
constexpr double kFullScale = 2.0 * 32768 * 15 / 128;

// The first frame shown: the newest rising zero crossing that leaves a whole window after it.
int TriggerFrame(const ScopeHistory& history, int voice) {
  for (int i = ScopeHistory::kFrames - kShown; i > 0; --i) {
    if (history.Sample(voice, i - 1) < 0 && history.Sample(voice, i) >= 0) return i;
  }
  return ScopeHistory::kFrames - kShown;
}

}  // namespace

QPolygonF ScopeTrace(const ScopeHistory& history, int voice, const QRectF& area, int columns) {
  const int start = TriggerFrame(history, voice);
  const double mid = area.center().y();
  const double half = area.height() / 2;
  auto y = [&](int sample) { return std::clamp(mid - sample / kFullScale * half, area.top(), area.bottom()); };
  auto x = [&](double at) { return area.left() + at * area.width() / kShown; };
  QPolygonF points;
  if (columns >= kShown) {  // wider than the window: every frame is a point
    for (int i = 0; i < kShown; ++i) points << QPointF(x(i), y(history.Sample(voice, start + i)));
    return points;
  }
  for (int col = 0; col < columns; ++col) {
    const int from = start + col * kShown / columns;
    const int to = start + (col + 1) * kShown / columns;
    int low = history.Sample(voice, from);
    int high = low;
    for (int i = from + 1; i < to; ++i) {
      low = std::min(low, history.Sample(voice, i));
      high = std::max(high, history.Sample(voice, i));
    }
    // In the order the wave travels, so that the line does not double back.
    const bool rising = history.Sample(voice, to - 1) >= history.Sample(voice, from);
    const double at = x(from - start);
    points << QPointF(at, y(rising ? low : high)) << QPointF(at, y(rising ? high : low));
  }
  return points;
}

}  // namespace kelmar
