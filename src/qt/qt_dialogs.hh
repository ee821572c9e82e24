#pragma once
// The common dialogs, as the editor's dialog state says: open and save (its filter and start
// folder) and the font dialog (our own: Qt's offers effects the document does not apply).
#include "platform/ui_ports.hh"

class QWidget;

namespace quilmar {

class QtDialogs final : public DialogPort {
 public:
  explicit QtDialogs(QWidget* owner) : owner_(owner) {}
  std::optional<String> ShowOpen(const CommonDialogState& dialog) override;
  std::optional<String> ShowSave(const CommonDialogState& dialog) override;
  std::optional<FontSpec> ShowFont(const CommonDialogState& dialog) override;

 private:
  QWidget* owner_;
};

}  // namespace quilmar
