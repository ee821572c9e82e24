#include "app/menu_items.hh"

namespace quilmar {

const MenuItemInfo& InfoOf(MenuItem item) { return kMenuItems[static_cast<std::size_t>(item)]; }

std::optional<MenuItem> MenuItemByName(std::string_view name) {
  for (const auto& info : kMenuItems)
    if (info.name == name) return info.item;
  return std::nullopt;
}

std::optional<MenuItem> MenuItemForShortcut(KeyCode code, ShiftState shift) {
  for (const auto& info : kMenuItems)
    if (info.shortcut && info.shortcut->code == code && info.shortcut->shift == shift) return info.item;
  return std::nullopt;
}

}  // namespace quilmar
