#pragma once
// Which of the two controls has the keyboard focus. Kept here as well as in Qt, so the editor
// gets a definite answer while the window is inactive or not yet shown.
#include <QObject>

#include "platform/ui_ports.hh"

class QWidget;

namespace quilmar {

class QtFocus final : public QObject, public FocusPort {
 public:
  QtFocus(QWidget* txtMain, QWidget* txtCmd);
  Control Focused() const override { return focused_; }
  void SetFocus(Control control) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* txtMain_;
  QWidget* txtCmd_;
  Control focused_ = Control::txtMain;
};

}  // namespace quilmar
