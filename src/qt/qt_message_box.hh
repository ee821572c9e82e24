#pragma once
// Modal message boxes titled "Quilmar", without an icon; Yes is the default answer.
#include "platform/ui_ports.hh"

class QWidget;

namespace quilmar {

class QtMessageBox final : public MessageBoxPort {
 public:
  explicit QtMessageBox(QWidget* owner) : owner_(owner) {}
  void ShowOk(const String& text) override;
  bool AskYesNo(const String& text) override;

 private:
  QWidget* owner_;
};

}  // namespace quilmar
