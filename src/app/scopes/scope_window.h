// "Scopes": a window of its own beside the main window with one oscilloscope per voice and a
// stereo peak meter of the mix. Shown, it switches the audio output's scope feed on and drains
// the feed's ring once per screen refresh; hidden, the feed is off and costs the callback nothing.
//
// Threads: window thread only. It reads the audio thread's frames through the lock-free ring
// alone, so drawing never waits for the callback. Destroy it before the AudioOutput it reads.
#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QWidget>
#include <array>

#include "app/scopes/scope_history.h"

class QTimer;

namespace kelmar {

class AudioOutput;

class ScopeWindow : public QWidget {
  Q_OBJECT
 public:
  // mainWindow: the window it opens beside and belongs to (may be null).
  ScopeWindow(AudioOutput& audio, QWidget* mainWindow);
  ~ScopeWindow() override;  // the feed goes off with the window

  // Drains the ring into the history, lets the meter fall or rise, and asks for a repaint
  // (the timer calls it; tests and screenshots may too).
  void Refresh();

  // The meter's levels (0 left, 1 right) as sample magnitudes, 0..32768.
  int Peak(int side) const { return static_cast<int>(peaks_[side]); }
  const ScopeHistory& history() const { return history_; }

 signals:
  // Shown or hidden, by the menu or by the window's own close button.
  void shownChanged(bool shown);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int RefreshInterval() const;
  void PaintScope(QPainter& painter, const QRectF& cell, int voice);
  void PaintMeter(QPainter& painter, const QRectF& area);

  AudioOutput& audio_;
  QWidget* mainWindow_;
  bool placed_ = false;
  QTimer* timer_;
  QFont labelFont_;
  ScopeHistory history_;
  std::array<double, 2> peaks_{};
  QElapsedTimer clock_;
  qint64 lastArrival_ = 0;
  qint64 lastRefresh_ = 0;
};

}  // namespace kelmar
