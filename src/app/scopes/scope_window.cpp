#include "app/scopes/scope_window.h"

#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/fixed_font.h"
#include "app/scopes/scope_trace.h"
#include "app/window_placement.h"
#include "audio/audio_output.h"

namespace kelmar {

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 300;
constexpr double kMargin = 6;
constexpr double kGap = 4;
constexpr double kMeterWidth = 40;
constexpr int kColumns = 4;
constexpr double kMeterFloorDb = -48;
constexpr double kPeakHalfLifeMs = 150;
constexpr int kStaleMs = 200;

const QColor kWindowBack(12, 14, 12);
const QColor kScopeBack(0, 0, 0);
const QColor kGrid(30, 64, 30);
const QColor kTrace(80, 255, 80);
const QColor kLabel(150, 220, 150);

// Where a level sits on the meter: 0 at the floor, 1 at full scale.
double DbFraction(double db) { return std::clamp((db - kMeterFloorDb) / -kMeterFloorDb, 0.0, 1.0); }
double MeterFraction(double peak) { return peak < 1 ? 0 : DbFraction(20 * std::log10(peak / 32768)); }

// Green up to -6 dB, yellow to -1 dB, red above.
QLinearGradient MeterColours(const QRectF& bars) {
  const QColor yellow(230, 220, 60);
  const QColor red(255, 70, 60);
  const double warn = DbFraction(-6);
  const double clip = DbFraction(-1);
  QLinearGradient colours(bars.bottomLeft(), bars.topLeft());
  colours.setStops({{0, kTrace}, {warn, kTrace}, {warn + 1e-3, yellow}, {clip, yellow}, {clip + 1e-3, red}, {1, red}});
  return colours;
}

// Voice v's scope in the grid: four columns, two rows.
QRectF ScopeCell(const QRectF& grid, int voice) {
  const double width = (grid.width() - (kColumns - 1) * kGap) / kColumns;
  const double height = (grid.height() - kGap) / 2;
  const int col = voice % kColumns;
  const int row = voice / kColumns;
  return {grid.left() + col * (width + kGap), grid.top() + row * (height + kGap), width, height};
}

}  // namespace

ScopeWindow::ScopeWindow(AudioOutput& audio, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::WindowDoesNotAcceptFocus),
      audio_(audio),
      mainWindow_(mainWindow),
      timer_(new QTimer(this)),
      labelFont_(FixedPitchFont(13)) {
  setObjectName("Scopes");
  setWindowTitle("Scopes");
  // The keys stay with the main window, where the tracker's keys work.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  resize(kWidth, kHeight);
  setMinimumSize(240, 140);
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, &ScopeWindow::Refresh);
  clock_.start();
}

ScopeWindow::~ScopeWindow() { audio_.SetScopeFeed(false); }

void ScopeWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!placed_) PlaceBeside(*this, mainWindow_, Side::Right, static_cast<int>(kGap));
  placed_ = true;
  // Frames left from an earlier showing are old news.
  audio_.scopeRing().Discard();
  history_.Clear();
  peaks_ = {0, 0};
  lastArrival_ = lastRefresh_ = clock_.elapsed();
  audio_.SetScopeFeed(true);
  timer_->start(RefreshInterval());
  emit shownChanged(true);
}

void ScopeWindow::hideEvent(QHideEvent* event) {
  timer_->stop();
  audio_.SetScopeFeed(false);
  QWidget::hideEvent(event);
  emit shownChanged(false);
}

int ScopeWindow::RefreshInterval() const {
  const QScreen* on = screen();
  const double hz = on ? on->refreshRate() : 0;
  return static_cast<int>(std::lround(1000 / (hz >= 20 && hz <= 500 ? hz : 60)));
}

void ScopeWindow::Refresh() {
  const int arrived = history_.Drain(audio_.scopeRing());
  const qint64 now = clock_.elapsed();
  // No frames for longer than the callbacks' own gap: the stream stopped (closed, paused).
  if (arrived > 0) {
    lastArrival_ = now;
  } else if (now - lastArrival_ > std::max(kStaleMs, 2 * audio_.BufferMilliseconds())) {
    history_.Clear();
  }
  const double fall = std::exp2(-static_cast<double>(now - lastRefresh_) / kPeakHalfLifeMs);
  lastRefresh_ = now;
  for (int side = 0; side < 2; ++side) peaks_[side] = std::max<double>(peaks_[side] * fall, history_.DrainPeak(side));
  update();
}

void ScopeWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kWindowBack);
  const QRectF inner = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
  const QRectF grid = inner.adjusted(0, 0, -(kMeterWidth + kGap), 0);
  painter.setFont(labelFont_);
  for (int voice = 0; voice < kChannelCount; ++voice) PaintScope(painter, ScopeCell(grid, voice), voice);
  PaintMeter(painter, QRectF(inner.right() - kMeterWidth, inner.top(), kMeterWidth, inner.height()));
}

void ScopeWindow::PaintScope(QPainter& painter, const QRectF& cell, int voice) {
  painter.fillRect(cell, kScopeBack);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(kGrid, 0));
  painter.drawRect(cell);
  painter.drawLine(QPointF(cell.left(), cell.center().y()), QPointF(cell.right(), cell.center().y()));
  const QRectF area = cell.adjusted(2, 4, -2, -4);
  const auto columns = static_cast<int>(std::lround(area.width() * devicePixelRatioF()));
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(kTrace, 1.25, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPolyline(ScopeTrace(history_, voice, area, std::max(columns, 1)));
  const QFontMetricsF metrics = painter.fontMetrics();
  const QRectF label(cell.left() + 1, cell.top() + 1, metrics.horizontalAdvance('8') + 8, metrics.height() + 2);
  painter.fillRect(label, QColor(0, 0, 0, 190));  // readable over the trace
  painter.setPen(kLabel);
  painter.drawText(label, Qt::AlignCenter, QString::number(voice + 1));
}

void ScopeWindow::PaintMeter(QPainter& painter, const QRectF& area) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  const double labelHeight = 18;
  const double barWidth = (area.width() - kGap) / 2;
  const QRectF bars(area.left(), area.top(), area.width(), area.height() - labelHeight);
  const QLinearGradient colours = MeterColours(bars);
  for (int side = 0; side < 2; ++side) {
    const QRectF bar(bars.left() + side * (barWidth + kGap), bars.top(), barWidth, bars.height());
    painter.fillRect(bar, kScopeBack);
    const double level = std::round(bar.height() * MeterFraction(peaks_[side]));
    painter.fillRect(QRectF(bar.left(), bar.bottom() - level, bar.width(), level), colours);
    painter.setPen(kLabel);
    painter.drawText(QRectF(bar.left(), bars.bottom(), bar.width(), labelHeight), Qt::AlignCenter,
                     side == 0 ? "L" : "R");
  }
  // Ticks every 12 dB, across both bars.
  painter.setPen(QPen(kGrid, 0));
  for (double db = 0; db > kMeterFloorDb; db -= 12) {
    const double y = std::round(bars.bottom() - bars.height() * DbFraction(db));
    painter.drawLine(QPointF(bars.left(), y), QPointF(bars.right(), y));
  }
}

}  // namespace kelmar
