#pragma once
// The common dialogs: open and save (one filter that hides nothing, a start folder) and the
// font dialog (our own: Qt's offers effects the document does not apply). A cancelled dialog
// answers nothing.
#include "platform/ui_ports.hh"

class QWidget;

namespace quilmar {

class QtDialogs final : public DialogPort {
 public:
  explicit QtDialogs(QWidget* owner) : owner_(owner) {}
  std::optional<String> ShowOpen(const String& startFolder) override;
  std::optional<String> ShowSave(const String& startFolder) override;
  std::optional<FontSpec> ShowFont(const FontSpec& current) override;

 private:
  QWidget* owner_;
};

}  // namespace quilmar
