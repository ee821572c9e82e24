#pragma once
// The menu bar as data: every item, its menu, caption and shortcut, in the order shown.
#include <array>
#include <optional>
#include <string_view>

#include "platform/keys.hh"

namespace quilmar {

enum class MenuItem {
  mnuOpen, mnuSave, mnuSaveAs, mnuClose, mnuPrint, mnuExit,
  mnuWordWrap, mnuFindCase, mnuReplaceCase, mnuFonts, mnuStCmdMode,
  mnuAbout, mnuHelpReference,
};

enum class Menu { mnuFile, mnuOptions, mnuHelp };

struct Shortcut {
  KeyCode code;
  ShiftState shift;
};

struct MenuItemInfo {
  MenuItem item;
  Menu menu;
  std::string_view name;     // "mnuOpen"
  std::string_view caption;  // "&Open"
  std::optional<Shortcut> shortcut;
  bool checkable;
};

inline constexpr std::array<MenuItemInfo, 13> kMenuItems{{
    {MenuItem::mnuOpen, Menu::mnuFile, "mnuOpen", "&Open", Shortcut{key::O, shift::Ctrl}, false},
    {MenuItem::mnuSave, Menu::mnuFile, "mnuSave", "&Save", Shortcut{key::S, shift::Ctrl}, false},
    {MenuItem::mnuSaveAs, Menu::mnuFile, "mnuSaveAs", "Save &As", std::nullopt, false},
    {MenuItem::mnuClose, Menu::mnuFile, "mnuClose", "&Close", Shortcut{key::F9, shift::None}, false},
    {MenuItem::mnuPrint, Menu::mnuFile, "mnuPrint", "&Print", Shortcut{key::P, shift::Ctrl}, false},
    {MenuItem::mnuExit, Menu::mnuFile, "mnuExit", "&Exit", std::nullopt, false},
    {MenuItem::mnuWordWrap, Menu::mnuOptions, "mnuWordWrap", "&Word Wrap", std::nullopt, true},
    {MenuItem::mnuFindCase, Menu::mnuOptions, "mnuFindCase", "&Find Case Sensitive", std::nullopt, true},
    {MenuItem::mnuReplaceCase, Menu::mnuOptions, "mnuReplaceCase", "&Replace Case Sensitive", std::nullopt, true},
    {MenuItem::mnuFonts, Menu::mnuOptions, "mnuFonts", "&Fonts", std::nullopt, false},
    {MenuItem::mnuStCmdMode, Menu::mnuOptions, "mnuStCmdMode", "&Start in Command Mode", std::nullopt, true},
    {MenuItem::mnuAbout, Menu::mnuHelp, "mnuAbout", "&About", std::nullopt, false},
    {MenuItem::mnuHelpReference, Menu::mnuHelp, "mnuHelpReference", "&Help Reference", std::nullopt, false},
}};

// Every item has one row, at the index of its enumerator: tables indexed by item (the handlers,
// the check marks) line up with this one.
constexpr bool RowsInItemOrder() {
  for (std::size_t i = 0; i < kMenuItems.size(); ++i)
    if (kMenuItems[i].item != static_cast<MenuItem>(i)) return false;
  return kMenuItems.size() == static_cast<std::size_t>(MenuItem::mnuHelpReference) + 1;
}
static_assert(RowsInItemOrder());

struct MenuInfo {
  Menu menu;
  std::string_view name;
  std::string_view caption;
};

inline constexpr std::array<MenuInfo, 3> kMenus{{
    {Menu::mnuFile, "mnuFile", "&File"},
    {Menu::mnuOptions, "mnuOptions", "&Options"},
    {Menu::mnuHelp, "mnuHelp", "&Help"},
}};

const MenuItemInfo& InfoOf(MenuItem item);
std::optional<MenuItem> MenuItemByName(std::string_view name);
// The item whose shortcut this key is, if any (shortcuts win over the focused control).
std::optional<MenuItem> MenuItemForShortcut(KeyCode code, ShiftState shift);

}  // namespace quilmar
