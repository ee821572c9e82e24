#pragma once
// The keys the text controls act on themselves, as tables from key to action: the rows both
// the document and the command box answer alike are declared once here, and each control
// adds only the rows that are its own (the document's Enter, Up, Down and Page keys; the
// box's Insert and Delete combinations), which it looks at first.
#include <optional>
#include <span>

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

// What Shift does to a row: extend the selection (moves), nothing, bar the row, or select it.
enum class ShiftUse { Extends, Ignored, Refused, Required };

// One key of a text control: the key, whether Ctrl is held, Shift's part, and the action.
struct KeyBinding {
  KeyCode code;
  bool ctrl;
  ShiftUse shift;
  TextAction action;
};

// The row for the key among the control's own rows, else among the shared ones; nothing for
// a key with Alt or a key neither table has.
std::optional<TextCommand> FindTextKey(std::span<const KeyBinding> own, const KeyEvent& key);

// The document's keys. Keys with Alt, F12 and unknown keys give None; a
// key that types text (no Ctrl or Alt, text without control characters) gives Type.
TextCommand ParseTextKey(const KeyEvent& key);

// Actions that change the text (blocked while the document is locked).
bool IsEditing(TextAction action);

}  // namespace quilmar
