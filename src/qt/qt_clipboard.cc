#include "qt_clipboard.hh"

#include <QClipboard>
#include <QGuiApplication>

namespace quilmar {

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

void QtClipboard::SetText(const String& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdU16String(text));
}

String QtClipboard::GetText() const {
  return QGuiApplication::clipboard()->text().toStdU16String();
}

}  // namespace quilmar
