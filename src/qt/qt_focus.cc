#include "qt_focus.hh"

#include <QEvent>
#include <QWidget>

namespace quilmar {

QtFocus::QtFocus(QWidget* txtMain, QWidget* txtCmd) : txtMain_(txtMain), txtCmd_(txtCmd) {
  txtMain_->installEventFilter(this);
  txtCmd_->installEventFilter(this);
}

void QtFocus::SetFocus(Control control) {
  focused_ = control;
  (control == Control::txtMain ? txtMain_ : txtCmd_)->setFocus(Qt::OtherFocusReason);
}

bool QtFocus::eventFilter(QObject* watched, QEvent* event) {
  // A click into the other control moves the focus as far as the editor is concerned too.
  if (event->type() == QEvent::FocusIn)
    focused_ = watched == txtCmd_ ? Control::txtCmd : Control::txtMain;
  return false;
}

}  // namespace quilmar
