#pragma once
// The menu items' check marks: the only store of the Find Case and Replace Case options and of
// the Word Wrap and start-mode marks, each shown through the menu port as it changes.
#include <array>

#include "app/menu_items.hh"
#include "platform/ui_ports.hh"

namespace quilmar {

class MenuChecks {
 public:
  explicit MenuChecks(MenuPort& port) : port_(port) {}
  bool Checked(MenuItem item) const { return checks_[static_cast<std::size_t>(item)]; }
  void SetChecked(MenuItem item, bool checked) {
    checks_[static_cast<std::size_t>(item)] = checked;
    port_.SetChecked(item, checked);
  }

 private:
  MenuPort& port_;
  std::array<bool, kMenuItems.size()> checks_{};
};

}  // namespace quilmar
