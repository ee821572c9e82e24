#include "text/text_keys.hh"

#include <algorithm>
#include <iterator>

namespace quilmar {

namespace {

// Caret moves, selection, Backspace, the clipboard and undo: the same in every text control.
constexpr KeyBinding kSharedKeys[] = {
    {key::Left, false, ShiftUse::Extends, TextAction::CharLeft},
    {key::Left, true, ShiftUse::Extends, TextAction::WordLeft},
    {key::Right, false, ShiftUse::Extends, TextAction::CharRight},
    {key::Right, true, ShiftUse::Extends, TextAction::WordRight},
    {key::Home, false, ShiftUse::Extends, TextAction::LineHome},
    {key::End, false, ShiftUse::Extends, TextAction::LineEnd},
    {key::Back, false, ShiftUse::Ignored, TextAction::Backspace},
    {key::Back, true, ShiftUse::Refused, TextAction::WordBackspace},
    {key::A, true, ShiftUse::Refused, TextAction::SelectAll},
    {key::C, true, ShiftUse::Refused, TextAction::Copy},
    {key::X, true, ShiftUse::Refused, TextAction::Cut},
    {key::V, true, ShiftUse::Refused, TextAction::Paste},
    {key::Z, true, ShiftUse::Refused, TextAction::Undo},
    {key::Y, true, ShiftUse::Refused, TextAction::Redo},
};

// The document's own: lines and pages, the ends of the text, Enter and Tab.
constexpr KeyBinding kDocumentKeys[] = {
    {key::Up, false, ShiftUse::Extends, TextAction::LineUp},
    {key::Down, false, ShiftUse::Extends, TextAction::LineDown},
    {key::PageUp, false, ShiftUse::Extends, TextAction::PageUp},
    {key::PageDown, false, ShiftUse::Extends, TextAction::PageDown},
    {key::Home, true, ShiftUse::Extends, TextAction::DocHome},
    {key::End, true, ShiftUse::Extends, TextAction::DocEnd},
    // Shift is not looked at, so a Command-mode "X" (handed on as Shift+Delete) deletes as "x".
    {key::Delete, false, ShiftUse::Ignored, TextAction::Delete},
    {key::Delete, true, ShiftUse::Ignored, TextAction::WordDelete},
    {key::Return, false, ShiftUse::Ignored, TextAction::Enter},
    {key::Tab, false, ShiftUse::Refused, TextAction::Tab},
};

bool Fits(const KeyBinding& row, const KeyEvent& key, bool ctrl, bool shifted) {
  if (row.code != key.code || row.ctrl != ctrl) return false;
  if (row.shift == ShiftUse::Refused) return !shifted;
  if (row.shift == ShiftUse::Required) return shifted;
  return true;
}

bool TypesText(const KeyEvent& key) {
  if (key.text.empty() || (key.shift & (shift::Ctrl | shift::Alt)) != 0) return false;
  return std::none_of(key.text.begin(), key.text.end(),
                      [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

}  // namespace

std::optional<TextCommand> FindTextKey(std::span<const KeyBinding> own, const KeyEvent& key) {
  if ((key.shift & shift::Alt) != 0) return std::nullopt;
  const bool ctrl = (key.shift & shift::Ctrl) != 0;
  const bool shifted = (key.shift & shift::Shift) != 0;
  for (std::span<const KeyBinding> table : {own, std::span<const KeyBinding>(kSharedKeys)}) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const KeyBinding& row) { return Fits(row, key, ctrl, shifted); });
    if (it != table.end()) return TextCommand{it->action, shifted && it->shift == ShiftUse::Extends};
  }
  return std::nullopt;
}

TextCommand ParseTextKey(const KeyEvent& key) {
  if (key.code == key::F12) return {};
  if (const auto command = FindTextKey(kDocumentKeys, key)) return *command;
  if (TypesText(key)) return {TextAction::Type, false};
  return {};
}

bool IsEditing(TextAction action) {
  switch (action) {
    case TextAction::Backspace:
    case TextAction::Delete:
    case TextAction::WordBackspace:
    case TextAction::WordDelete:
    case TextAction::Enter:
    case TextAction::Tab:
    case TextAction::Type:
    case TextAction::Cut:
    case TextAction::Paste:
    case TextAction::Undo:
    case TextAction::Redo:
      return true;
    default:
      return false;
  }
}

}  // namespace quilmar
