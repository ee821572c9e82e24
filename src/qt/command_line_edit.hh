#pragma once
// txtCmd: the one-line command box. Its keys go to the editor first; the editor then lets the
// box act on the key (ApplyKey), which runs the line edit's own handling of that key press.
#include <QLineEdit>
#include <functional>

#include "platform/ui_ports.hh"

namespace quilmar {

class CommandLineEdit final : public QLineEdit, public CommandBoxPort {
  Q_OBJECT

 public:
  explicit CommandLineEdit(QWidget* parent = nullptr);

  // Where key presses go (App::KeyDown) and input-method commits (App::CommitText); set by
  // the main window.
  std::function<void(const KeyEvent&)> onKey;
  std::function<void(const String&)> onCommit;

  // CommandBoxPort
  String Text() const override;
  void SetText(const String& text) override;
  std::int32_t SelStart() const override;
  void SetSelStart(std::int32_t pos) override;
  String SelText() const override;
  void SetSelText(const String& text) override;
  void ApplyKey(const KeyEvent& key) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  QKeyEvent* current_ = nullptr;  // the key press being handled, while onKey runs
  KeyEvent currentKey_;
};

}  // namespace quilmar
