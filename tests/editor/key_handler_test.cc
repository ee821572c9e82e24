// The document's keys where a case needs more than keys in and text out (those are data, in
// tests/cases/data): "x" against Delete under every modifier, Caps Lock and the keypad.
#include "script_editor.hh"
#include "app_test_access.hh"

namespace quilmar::testing {
namespace {

// "x" hands the control a Delete key with the modifiers still held: in Command mode "x" with
// any modifiers does exactly what Delete with the same modifiers does in Insert mode.
TEST(KeyHandler, XIsDeleteWithTheSameModifiers) {
  for (const char* before : {"a|bc def", "ab|\ncd", "a^bc| d", "abc|"}) {
    for (ShiftState mods : {shift::None, shift::Shift, shift::Ctrl, shift::Alt, ShiftState(shift::Ctrl | shift::Shift)}) {
      SCOPED_TRACE(std::string(before) + " modifiers " + std::to_string(mods));
      ScriptEditor command;
      command.Load(before);
      command.app().Dispatch(KeyDownEvent{KeyEvent{key::X, mods, {}}});
      ScriptEditor insert;
      insert.Load(before);
      insert.Run("i");
      insert.app().Dispatch(KeyDownEvent{KeyEvent{key::Delete, mods, {}}});
      EXPECT_EQ(command.Doc(), insert.Doc());
      EXPECT_TRUE(command.app().Mode().CommandMode());
      EXPECT_FALSE(command.doc().Locked());
    }
  }
}

// ---- Caps Lock and the keypad: the handler reads codes and the Shift bit, never the typed character.
TEST(KeyHandler, CapsLockChangesNothing) {
  ScriptEditor ed;
  ed.Load("ab\ncd|e");
  // The keypad's digits are not the "0" and "4" commands.
  for (KeyCode code : {key::Numpad0, KeyCode(key::Numpad0 + 4)}) ed.app().Dispatch(KeyDownEvent{KeyEvent{code, shift::None, {}}});
  EXPECT_EQ(ed.Doc(), "ab\ncd|e");
  ed.app().Dispatch(KeyDownEvent{KeyEvent{key::I, shift::None, u"I"}});  // the I key with Caps Lock on
  EXPECT_EQ(ed.Doc(), "ab\ncd|e");
  EXPECT_FALSE(ed.app().Mode().CommandMode());
  ed.Run("<Esc>");
  ed.app().Dispatch(KeyDownEvent{KeyEvent{key::I, shift::Shift, u"i"}});  // Shift with Caps Lock on
  EXPECT_EQ(ed.Doc(), "ab\n|cde");
}

}  // namespace
}  // namespace quilmar::testing
