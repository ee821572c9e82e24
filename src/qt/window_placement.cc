#include "window_placement.hh"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace quilmar {

void CentreOn(QWidget* window, const QWidget* owner) {
  if (!owner) return;
  const QRect area = owner->frameGeometry();
  QRect frame = window->frameGeometry();
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

void WaitUntilExposed(QWidget* window) {
  if (!window || !window->isVisible()) return;
  QElapsedTimer waited;
  waited.start();
  while (true) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const QWindow* handle = window->windowHandle();
    if (!handle || handle->isExposed() || waited.elapsed() > 1000) return;
    QThread::msleep(2);
  }
}

}  // namespace quilmar
