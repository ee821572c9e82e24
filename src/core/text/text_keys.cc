#include "text/text_keys.hh"

#include <algorithm>
#include <iterator>

namespace quilmar {

namespace {

enum class ShiftUse { Extends, Ignored, Refused };

struct Binding {
  KeyCode code;
  bool ctrl;
  ShiftUse shift;
  TextAction action;
};

constexpr Binding kBindings[] = {
    {key::Left, false, ShiftUse::Extends, TextAction::CharLeft},
    {key::Left, true, ShiftUse::Extends, TextAction::WordLeft},
    {key::Right, false, ShiftUse::Extends, TextAction::CharRight},
    {key::Right, true, ShiftUse::Extends, TextAction::WordRight},
    {key::Up, false, ShiftUse::Extends, TextAction::LineUp},
    {key::Down, false, ShiftUse::Extends, TextAction::LineDown},
    {key::PageUp, false, ShiftUse::Extends, TextAction::PageUp},
    {key::PageDown, false, ShiftUse::Extends, TextAction::PageDown},
    {key::Home, false, ShiftUse::Extends, TextAction::LineHome},
    {key::End, false, ShiftUse::Extends, TextAction::LineEnd},
    {key::Home, true, ShiftUse::Extends, TextAction::DocHome},
    {key::End, true, ShiftUse::Extends, TextAction::DocEnd},
    {key::Back, false, ShiftUse::Ignored, TextAction::Backspace},
    {key::Back, true, ShiftUse::Refused, TextAction::WordBackspace},
    // Shift is not looked at, so a Command-mode "X" (handed on as Shift+Delete) deletes as "x".
    {key::Delete, false, ShiftUse::Ignored, TextAction::Delete},
    {key::Delete, true, ShiftUse::Ignored, TextAction::WordDelete},
    {key::Return, false, ShiftUse::Ignored, TextAction::Enter},
    {key::Tab, false, ShiftUse::Refused, TextAction::Tab},
    {key::A, true, ShiftUse::Refused, TextAction::SelectAll},
    {key::C, true, ShiftUse::Refused, TextAction::Copy},
    {key::X, true, ShiftUse::Refused, TextAction::Cut},
    {key::V, true, ShiftUse::Refused, TextAction::Paste},
    {key::Z, true, ShiftUse::Refused, TextAction::Undo},
    {key::Y, true, ShiftUse::Refused, TextAction::Redo},
};

bool TypesText(const KeyEvent& key) {
  if (key.text.empty() || (key.shift & (shift::Ctrl | shift::Alt)) != 0) return false;
  return std::none_of(key.text.begin(), key.text.end(),
                      [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

}  // namespace

TextCommand ParseTextKey(const KeyEvent& key) {
  if ((key.shift & shift::Alt) != 0 || key.code == key::F12) return {};
  const bool ctrl = (key.shift & shift::Ctrl) != 0;
  const bool shifted = (key.shift & shift::Shift) != 0;
  const auto* it = std::find_if(std::begin(kBindings), std::end(kBindings), [&](const Binding& b) {
    return b.code == key.code && b.ctrl == ctrl;
  });
  if (it != std::end(kBindings)) {
    if (shifted && it->shift == ShiftUse::Refused) return {};
    return {it->action, shifted && it->shift == ShiftUse::Extends};
  }
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
