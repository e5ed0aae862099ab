#include "app/first_exposure.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace kelmar {
namespace {

// Lives on the window's QWindow until it has run the work once.
class ExposureWatch : public QObject {
 public:
  ExposureWatch(QWindow* window, std::function<void()> then, int fallbackMs)
      : QObject(window), then_(std::move(then)) {
    window->installEventFilter(this);
    QTimer::singleShot(fallbackMs, this, &ExposureWatch::Run);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The window draws itself as it handles this event: the work goes after that.
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
      QTimer::singleShot(0, this, &ExposureWatch::Run);
    return false;
  }

 private:
  void Run() {
    if (!then_) return;
    const std::function<void()> then = std::move(then_);
    then_ = nullptr;
    deleteLater();
    then();
  }

  std::function<void()> then_;
};

}  // namespace

void AfterFirstExposure(QWidget& window, std::function<void()> then, int fallbackMs) {
  window.winId();  // makes the QWindow where there is none yet
  new ExposureWatch(window.windowHandle(), std::move(then), fallbackMs);
}

}  // namespace kelmar
