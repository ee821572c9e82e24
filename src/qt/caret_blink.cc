#include "caret_blink.hh"

#include <QApplication>

namespace quilmar {

CaretBlink::CaretBlink(std::function<void()> repaint) : repaint_(std::move(repaint)) {
  const int flash = QApplication::cursorFlashTime();
  timer_.setInterval(flash > 0 ? flash / 2 : 500);
  QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
    shown_ = !shown_;
    repaint_();
  });
}

void CaretBlink::Restart(bool focused) {
  shown_ = true;
  if (focused) timer_.start();
}

}  // namespace quilmar
