#pragma once
// Which keys the document control acts on itself, and how: a table from key to action.
#include "platform/keys.hh"

namespace quilmar {

enum class TextAction {
  None,
  CharLeft, CharRight, WordLeft, WordRight, LineUp, LineDown, PageUp, PageDown,
  LineHome, LineEnd, DocHome, DocEnd,
  Backspace, Delete, WordBackspace, WordDelete, Enter, Tab, Type,
  SelectAll, Copy, Cut, Paste, Undo, Redo,
};

// A parsed key: what to do, and whether Shift extends the selection while moving.
struct TextCommand {
  TextAction action = TextAction::None;
  bool extend = false;
};

// Keys with Alt, F12 and unknown keys give None; a key that types text
// (no Ctrl or Alt, text without control characters) gives Type.
TextCommand ParseTextKey(const KeyEvent& key);

// Actions that change the text (blocked while the control is locked).
bool IsEditing(TextAction action);

}  // namespace quilmar
