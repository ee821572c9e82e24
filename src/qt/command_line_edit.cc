#include "command_line_edit.hh"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <algorithm>

#include "key_translation.hh"

namespace quilmar {

CommandLineEdit::CommandLineEdit(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("txtCmd"));
  setContextMenuPolicy(Qt::NoContextMenu);
  setFrame(true);
  setAccessibleName(QStringLiteral("Command"));
}

String CommandLineEdit::Text() const { return text().toStdU16String(); }

void CommandLineEdit::SetText(const String& text) { setText(QString::fromStdU16String(text)); }

std::int32_t CommandLineEdit::SelStart() const {
  return hasSelectedText() ? selectionStart() : cursorPosition();
}

void CommandLineEdit::SetSelStart(std::int32_t pos) {
  deselect();
  setCursorPosition(std::clamp<std::int32_t>(pos, 0, static_cast<std::int32_t>(text().size())));
}

String CommandLineEdit::SelText() const { return selectedText().toStdU16String(); }

void CommandLineEdit::SetSelText(const String& text) { insert(QString::fromStdU16String(text)); }

void CommandLineEdit::ApplyKey(const KeyEvent& key) {
  if (key.code == key::Consumed) return;
  // A shortcut typed on a non-Latin layout (Ctrl with the key under "z") names another Qt
  // key than the one the line edit knows it by, so it is re-posted as the key it stands for.
  const bool shortcutElsewhere = current_ && (key.shift & shift::Ctrl) != 0 &&
                                 current_->key() != QtKeyForCode(key.code);
  if (current_ && key.code == currentKey_.code && key.shift == currentKey_.shift &&
      key.text == currentKey_.text && !shortcutElsewhere) {
    QLineEdit::keyPressEvent(current_);
    return;
  }
  // The handler put another key in its place (or the key came from elsewhere): act as that key.
  const Qt::Key qtKey = QtKeyForCode(key.code);
  Qt::KeyboardModifiers modifiers;
  if (key.shift & shift::Shift) modifiers |= Qt::ShiftModifier;
  if (key.shift & shift::Ctrl) modifiers |= Qt::ControlModifier;
  if (key.shift & shift::Alt) modifiers |= Qt::AltModifier;
  QKeyEvent replacement(QEvent::KeyPress, qtKey == Qt::Key_unknown ? 0 : qtKey, modifiers,
                        QString::fromStdU16String(key.text));
  QLineEdit::keyPressEvent(&replacement);
}

void CommandLineEdit::keyPressEvent(QKeyEvent* event) {
  const KeyEvent key = TranslateKey(*event);
  QKeyEvent* outer = current_;
  const KeyEvent outerKey = currentKey_;
  current_ = event;
  currentKey_ = key;
  if (onKey) onKey(key);
  else QLineEdit::keyPressEvent(event);
  current_ = outer;
  currentKey_ = outerKey;
  event->accept();
}

void CommandLineEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (event->commitString().isEmpty() || !onCommit) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  // The box shows the preedit itself; the committed text goes through the editor.
  QInputMethodEvent preedit(event->preeditString(), event->attributes());
  QLineEdit::inputMethodEvent(&preedit);
  onCommit(event->commitString().toStdU16String());
  event->accept();
}

bool CommandLineEdit::focusNextPrevChild(bool) { return false; }  // Tab stays in the box

}  // namespace quilmar
