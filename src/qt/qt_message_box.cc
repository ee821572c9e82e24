#include "qt_message_box.hh"

#include <QMessageBox>

#include "window_placement.hh"

namespace quilmar {
namespace {

// Runs the box centred on the editor. At start-up (the command line's file) the editor may
// not be placed yet: Qt would centre the box on where the window was before the window
// manager moved it, so first wait for that.
int ExecCentred(QMessageBox& box, QWidget* owner) {
  if (owner) {
    WaitUntilExposed(owner->window());
    box.show();  // the box takes its final size as it is shown
    CentreOn(&box, owner->window());
  }
  return box.exec();
}

}  // namespace

void QtMessageBox::ShowOk(const String& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quilmar"), QString::fromStdU16String(text),
                  QMessageBox::Ok, owner_);
  box.setTextFormat(Qt::PlainText);
  ExecCentred(box, owner_);
}

bool QtMessageBox::AskYesNo(const String& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quilmar"), QString::fromStdU16String(text),
                  QMessageBox::Yes | QMessageBox::No, owner_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  return ExecCentred(box, owner_) == QMessageBox::Yes;
}

}  // namespace quilmar
