#pragma once
// The menu bar built from the menu table: one QAction per item with its caption, mnemonic,
// check mark and shortcut. Check marks show what the editor holds; clicks go to the editor.
#include <QAction>
#include <QMenuBar>
#include <array>
#include <functional>

#include "app/menu_items.hh"
#include "platform/ui_ports.hh"

namespace quilmar {

class QtMenus final : public MenuPort {
 public:
  // window: where the shortcuts live (they win over the focused control in both modes).
  QtMenus(QMenuBar* bar, QWidget* window);

  std::function<void(MenuItem)> onClick;

  void SetChecked(MenuItem item, bool checked) override;
  QAction* Action(MenuItem item) const { return actions_[static_cast<std::size_t>(item)]; }

 private:
  std::array<QAction*, kMenuItems.size()> actions_{};
};

// The Qt key sequence of a menu shortcut (Ctrl+O, F9...).
QKeySequence ToKeySequence(const Shortcut& shortcut);

}  // namespace quilmar
