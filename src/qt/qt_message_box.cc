#include "qt_message_box.hh"

#include <QMessageBox>

namespace quilmar {

void QtMessageBox::ShowOk(const String& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quilmar"), QString::fromStdU16String(text),
                  QMessageBox::Ok, owner_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtMessageBox::AskYesNo(const String& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quilmar"), QString::fromStdU16String(text),
                  QMessageBox::Yes | QMessageBox::No, owner_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace quilmar
